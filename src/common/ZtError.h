#pragma once
#include <QString>
#include <stdexcept>

// A failure carried up to the procedure that reports it: the number (serial errors
// 8002/8005, errno, 0 when none) and the system's own description.
class ZtError : public std::runtime_error {
public:
    ZtError(int number, const QString &description)
        : std::runtime_error(description.toStdString()), m_number(number),
          m_description(description)
    {
    }
    explicit ZtError(const QString &description) : ZtError(0, description) {}
    int number() const { return m_number; }
    QString description() const { return m_description; }

private:
    int m_number;
    QString m_description;
};

// The description a report shows for any failure: ours carry the system's text.
inline QString describe(const std::exception &e)
{
    if (const auto *z = dynamic_cast<const ZtError *>(&e))
        return z->description();
    return QString::fromLocal8Bit(e.what());
}

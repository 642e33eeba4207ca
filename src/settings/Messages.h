#pragma once
#include <QHash>
#include <QString>

// The message catalogue: section "Messages_" + language of the settings file.
// A text is looked up on first use and held for the rest of the run.
class Messages {
public:
    explicit Messages(const QString &iniFile = {}) : m_iniFile(iniFile) {}
    void setIniFile(const QString &iniFile) { m_iniFile = iniFile; }
    void setLanguage(const QString &language) { m_language = language; }
    QString language() const { return m_language; }
    QString iniFile() const { return m_iniFile; }

    // The catalogue text of key, the key itself when missing; held after the first call.
    QString text(const QString &key);
    // Same, with an explicit default (an empty default where a text is optional).
    QString text(const QString &key, const QString &def);
    // Read afresh each time (texts that are not held).
    QString fresh(const QString &key, const QString &def) const;

private:
    QString m_iniFile;
    QString m_language;
    QHash<QString, QString> m_held;
};

// text with each "&" filled in turn: every argument, the empty ones too, fills the first "&"
// of the text as it is by then, so an "&" brought in by one argument is filled by the next.
QString FormatMessage(QString text, const QString &a1 = {}, const QString &a2 = {},
                      const QString &a3 = {}, const QString &a4 = {}, const QString &a5 = {});

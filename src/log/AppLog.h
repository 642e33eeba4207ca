#pragma once
#include <QDateTime>
#include <QLocale>
#include <QString>
#include <functional>
#include <optional>

class TextSink;

// The application log: a daily file of time-stamped lines, mirrored into a text sink.
class AppLog {
public:
    // appDir/exeName resolve relative and empty file names; the clock and locale make
    // the timestamp (tests inject both).
    AppLog(const QString &appDir, const QString &exeName,
           std::function<QDateTime()> clock = &QDateTime::currentDateTime,
           QLocale locale = QLocale());

    void OpenLog(const QString &fileName = {}, TextSink *textControl = nullptr,
                 std::optional<qint16> maxLogFileAge = {}, std::optional<bool> toFileDisabled = {},
                 std::optional<bool> toScreenDisabled = {}, std::optional<QString> errorText = {});
    void CloseLog();
    void WriteLog(const QString &txt, bool toLog = true, bool toScreen = true, quint32 color = 0);
    void WriteProto(const QString &txt, quint32 color = 0);

    void setTextControl(TextSink *sink) { m_textControl = sink; }
    void setFileName(const QString &name);
    QString fileName() const { return m_fileName; }
    QString errorText() const { return m_errorText; }
    void setErrorText(const QString &text) { m_errorText = text; }
    qint16 maxLogFileAge() const { return m_maxLogFileAge; }
    void setMaxLogFileAge(qint16 days) { m_maxLogFileAge = days; }
    bool toFileDisabled() const { return m_toFileDisabled; }
    void setToFileDisabled(bool flag) { m_toFileDisabled = flag; }
    bool toScreenDisabled() const { return m_toScreenDisabled; }
    void setToScreenDisabled(bool flag) { m_toScreenDisabled = flag; }

    static constexpr int ProtoCap = 20480;

private:
    QString timestamp(const QDateTime &now) const;
    void PurgeOldLogs();

    QString m_appDir;
    QString m_exeName;
    std::function<QDateTime()> m_clock;
    QLocale m_locale;

    TextSink *m_textControl = nullptr;
    QString m_fileName;
    QString m_template;
    qint16 m_maxLogFileAge = 90;
    bool m_toFileDisabled = false;
    bool m_toScreenDisabled = false;
    QString m_errorText = QStringLiteral("Fehler & beim Schreiben des Logs (&)");
};

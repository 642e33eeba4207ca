#include "log/AppLog.h"

#include <algorithm>

#include <QDir>
#include <QFile>
#include <QStringList>

#include "common/Tools.h"
#include "log/TextSink.h"

namespace {

const QString DateToken = QStringLiteral("$DATE$");
const QString CrLf = QStringLiteral("\r\n");

// The last separator of a path; "/" is understood on every platform.
qsizetype lastSeparator(const QString &path)
{
    return std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QDir::separator()));
}

bool isAbsoluteName(const QString &name)
{
    const bool driveColon = name.size() >= 2 && name[0].isLetter() && name[1] == QLatin1Char(':');
    return driveColon || name.startsWith(QLatin1Char('/')) || name.startsWith(QDir::separator());
}

// Fills the failure template: the first "&" takes the step, every later one the
// description; inserted texts are not searched again.
QString failureMessage(const QString &templ, int step, const QString &description)
{
    QString out;
    bool first = true;
    for (QChar c : templ) {
        if (c != QLatin1Char('&')) {
            out += c;
        } else if (first) {
            out += QString::number(step);
            first = false;
        } else {
            out += description;
        }
    }
    return out;
}

} // namespace

AppLog::AppLog(const QString &appDir, const QString &exeName, std::function<QDateTime()> clock,
               QLocale locale)
    : m_appDir(appDir), m_exeName(exeName), m_clock(std::move(clock)), m_locale(std::move(locale))
{
}

void AppLog::OpenLog(const QString &fileName, TextSink *textControl,
                     std::optional<qint16> maxLogFileAge, std::optional<bool> toFileDisabled,
                     std::optional<bool> toScreenDisabled, std::optional<QString> errorText)
{
    setFileName(fileName);
    m_textControl = textControl;
    if (toFileDisabled)
        m_toFileDisabled = *toFileDisabled;
    if (toScreenDisabled)
        m_toScreenDisabled = *toScreenDisabled;
    if (errorText)
        m_errorText = *errorText;
    WriteLog(QStringLiteral("*"));
    if (maxLogFileAge)
        m_maxLogFileAge = *maxLogFileAge;
}

void AppLog::CloseLog()
{
    if (m_maxLogFileAge > 0)
        PurgeOldLogs();
    WriteLog(QString());
}

void AppLog::setFileName(const QString &name)
{
    QString templ = name;
    if (templ.isEmpty())
        templ = m_exeName + QStringLiteral("-$DATE$.Log");
    if (!isAbsoluteName(templ))
        templ = m_appDir + QLatin1Char('/') + templ;
    m_template = templ;
    const QString today = m_clock().date().toString(QStringLiteral("yyyy-MM-dd"));
    m_fileName = QString(templ).replace(DateToken, today, Qt::CaseInsensitive);
}

QString AppLog::timestamp(const QDateTime &now) const
{
    // The log shows the weekday as the locale abbreviates it, without the abbreviation
    // dot some locales add ("Mo." -> "Mo"), so every line starts the same way.
    QString day = m_locale.dayName(now.date().dayOfWeek(), QLocale::ShortFormat);
    if (day.endsWith(QLatin1Char('.')))
        day.chop(1);
    return day + QStringLiteral("  ") + now.toString(QStringLiteral("dd.MM.yyyy  HH:mm:ss "));
}

void AppLog::WriteLog(const QString &txt, bool toLog, bool toScreen, quint32 color)
{
    if (m_toFileDisabled)
        toLog = false;
    if (m_toScreenDisabled)
        toScreen = false;
    const QDateTime now = m_clock();
    const QString stamp = timestamp(now);

    if (!toLog) {
        if (txt.size() > 1 && toScreen)
            WriteProto(stamp + QStringLiteral("  ") + txt, color);
        return;
    }

    if (m_template.contains(DateToken, Qt::CaseInsensitive) &&
        !m_fileName.contains(now.date().toString(QStringLiteral("yyyy-MM-dd"))))
        setFileName(m_template);

    // Each call has its own handle, so a call nested in the protocol update below
    // appends after this call's flushed entry.
    int step = 1;
    QFile file(m_fileName);
    auto writeLine = [&](const QString &line) {
        const QByteArray bytes = (line + CrLf).toUtf8();
        return file.write(bytes) == bytes.size() && file.flush();
    };
    auto fail = [&] {
        const QString description = file.errorString();
        file.close();
        WriteProto(failureMessage(m_errorText, step, description), 255);
    };

    step = 2;
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        return fail();
    step = 3;
    if (txt.size() == 1 && !writeLine(stamp + QStringLiteral("***** Start *****")))
        return fail();
    if (txt.size() > 1) {
        QString entry = txt;
        if (entry.endsWith(QLatin1Char('\r')))
            entry += QLatin1Char('\n');
        step = 4;
        if (!writeLine(stamp + QStringLiteral(">  ") + entry))
            return fail();
        if (toScreen)
            WriteProto(stamp + QStringLiteral("  ") + entry, color);
    }
    if (txt.isEmpty()) {
        step = 5;
        if (!writeLine(stamp + QStringLiteral("***** End   *****")))
            return fail();
        step = 6;
        if (!writeLine(QString()) || !writeLine(QString()))
            return fail();
    }
    step = 7;
    file.close();
    if (file.error() != QFileDevice::NoError)
        fail();
}

void AppLog::WriteProto(const QString &txt, quint32 color)
{
    Q_UNUSED(color) // the protocol control is a plain text box: lines are not coloured
    if (m_toScreenDisabled || !m_textControl)
        return;
    QString text = m_textControl->text();
    const qsizetype size = text.size();
    if (size + txt.size() >= ProtoCap) {
        // Cut whole lines from the top: walk back from the excess position (1-based)
        // to the nearest CR LF.
        qsizetype n = size + txt.size() - ProtoCap;
        auto crLfAt = [&](qsizetype pos) {
            return pos + 1 <= size && text[pos - 1] == QLatin1Char('\r') &&
                   text[pos] == QLatin1Char('\n');
        };
        while (n > 1 && !crLfAt(n))
            --n;
        if (n > 1)
            text.remove(0, n + 1);
    }
    text += QLatin1Char(' ') + txt + CrLf;
    m_textControl->setText(text);
    m_textControl->setCaret(int(text.size()));
    Tools::DoEvents();
}

void AppLog::PurgeOldLogs()
{
    const qsizetype tokenPos = m_template.indexOf(DateToken, 0, Qt::CaseInsensitive);
    if (m_toFileDisabled || tokenPos < 0)
        return;
    const QDate limitDate = m_clock().date().addDays(-m_maxLogFileAge);
    const int limit = limitDate.toString(QStringLiteral("yyyyMMdd")).toInt();
    const QString dir = m_template.left(lastSeparator(m_template) + 1);
    QString pattern = m_template.mid(dir.size());
    pattern.replace(DateToken, QStringLiteral("*"), Qt::CaseInsensitive);

    QStringList old;
    const QStringList names =
        QDir(dir).entryList(QStringList{pattern}, QDir::Files, QDir::Unsorted);
    for (const QString &name : names) {
        const QString field = (dir + name).mid(tokenPos, 10);
        const QString digits = field.left(4) + field.mid(5, 2) + field.mid(8, 2);
        bool ok = digits.size() == 8;
        for (QChar c : digits)
            ok = ok && c >= QLatin1Char('0') && c <= QLatin1Char('9');
        if (ok && digits.toInt() <= limit)
            old << name;
        Tools::DoEvents();
    }
    if (old.isEmpty())
        return;
    WriteLog(QStringLiteral("Logs älter als %1 Tage gelöscht (%2)")
                 .arg(m_maxLogFileAge)
                 .arg(old.size()));
    for (const QString &name : old)
        QFile::remove(dir + name);
}

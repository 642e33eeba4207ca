#include "SoakAccount.h"

#include <QRegularExpression>

namespace {
constexpr int ChecksumAck = 0x86; // the simulator's own acknowledgement of a data block
}

SimEvent parseSimLine(const QString &line)
{
    static const QRegularExpression form(
        QStringLiteral("^\\d\\d:\\d\\d:\\d\\d\\.\\d\\d\\d (out|in|!!|--)\\s+([0-9A-F]{2})?"));
    SimEvent event;
    const QRegularExpressionMatch m = form.match(line);
    if (!m.hasMatch())
        return event;
    const QString direction = m.captured(1);
    if (direction == QLatin1String("!!")) {
        event.kind = SimEvent::Problem;
        return event;
    }
    if (direction == QLatin1String("--"))
        return event;
    // A byte token must stand alone: "in  81 | ..." but not a word that starts with hex letters.
    const qsizetype end = m.capturedEnd(2);
    if (!m.hasCaptured(2) || (end < line.size() && line.at(end) != QLatin1Char(' ')))
        return event;
    event.kind = direction == QLatin1String("out") ? SimEvent::Out : SimEvent::In;
    event.code = m.captured(2).toInt(nullptr, 16);
    return event;
}

ExchangeTally tallyExchange(const QStringList &simLines, int answerCode)
{
    ExchangeTally tally;
    for (const QString &line : simLines) {
        const SimEvent e = parseSimLine(line);
        switch (e.kind) {
        case SimEvent::Out:
            if (e.code != ChecksumAck)
                ++tally.sent;
            break;
        case SimEvent::In:
            if (answerCode >= 0 && e.code == answerCode)
                ++tally.answers;
            else
                ++tally.unexpected;
            break;
        case SimEvent::Problem:
            ++tally.problems;
            break;
        case SimEvent::Other:
            break;
        }
    }
    return tally;
}

QStringList logEntries(const QString &logText)
{
    static const QString marker = QStringLiteral(" >  ");
    QStringList entries;
    for (const QString &line : logText.split(QLatin1Char('\n'))) {
        const qsizetype at = line.indexOf(marker);
        if (at < 0)
            continue;
        QString text = line.mid(at + marker.size());
        if (text.endsWith(QLatin1Char('\r')))
            text.chop(1);
        entries << text;
    }
    return entries;
}

int countEntries(const QStringList &entries, const QString &catalogueText)
{
    QStringList parts;
    for (const QString &part : catalogueText.trimmed().split(QLatin1Char('&')))
        parts << QRegularExpression::escape(part);
    const QRegularExpression form(
        QRegularExpression::anchoredPattern(parts.join(QStringLiteral(".*"))));
    int count = 0;
    for (const QString &entry : entries)
        if (form.match(entry.trimmed()).hasMatch())
            ++count;
    return count;
}

qint64 vmRssKb(const QString &statusText)
{
    static const QRegularExpression form(QStringLiteral("^VmRSS:\\s+(\\d+) kB$"),
                                         QRegularExpression::MultilineOption);
    const QRegularExpressionMatch m = form.match(statusText);
    return m.hasMatch() ? m.captured(1).toLongLong() : -1;
}

MemoryGrowth memoryGrowth(const QList<MemorySample> &samples, double baselineSeconds)
{
    MemoryGrowth growth;
    if (samples.isEmpty())
        return growth;
    growth.lastKb = samples.last().kb;
    for (const MemorySample &s : samples) {
        if (growth.baselineAt < 0) {
            if (s.seconds >= baselineSeconds) {
                growth.baselineAt = s.seconds;
                growth.baselineKb = s.kb;
                growth.peakAfterKb = s.kb;
            }
        } else {
            growth.peakAfterKb = qMax(growth.peakAfterKb, s.kb);
        }
    }
    return growth;
}

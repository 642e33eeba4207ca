#include "ztcfg/ConsoleOperator.h"

#include <cstdio>
#include <cstdlib>

#include <QRegularExpression>

ConsoleOperator::ConsoleOperator()
{
    m_sendData.setSingleShot(true);
    connect(&m_sendData, &QTimer::timeout, this, [this] {
        if (onSendDataTimer)
            onSendDataTimer();
    });
}

void ConsoleOperator::say(const QString &text) const
{
    static const QRegularExpression lineEnd(QStringLiteral("\r?\n"));
    lastSaid = text.trimmed();
    QString out;
    for (const QString &line : text.trimmed().split(lineEnd))
        out += prefix + line.trimmed() + QLatin1Char('\n');
    if (kept) {
        *kept += out;
        return;
    }
    std::fputs(out.toLocal8Bit().constData(), stderr);
    std::fflush(stderr);
}

void ConsoleOperator::setStatus(const QString &, const QString &toolTip)
{
    lastStatus = toolTip;
}

void ConsoleOperator::messageBox(const QString &text, BoxIcon, const QString &)
{
    ++boxes;
    say(text);
}

bool ConsoleOperator::askYesNo(const QString &text, BoxIcon, const QString &)
{
    if (verbose)
        say(text + QStringLiteral(" yes"));
    return true;
}

void ConsoleOperator::startSendDataTimer(int intervalMs)
{
    if (intervalMs > 0)
        m_sendData.start(intervalMs);
    else
        m_sendData.stop();
}

void ConsoleOperator::endProgram()
{
    if (kept) {
        ended = true;
        endedWith = lastSaid;
        return;
    }
    std::fflush(nullptr);
    std::_Exit(1);
}

void ConsoleLogSink::setText(const QString &text)
{
    const QString line = text.trimmed();
    lines << line;
    if (m_op.verbose)
        m_op.say(QStringLiteral("--  ") + line);
}

#include "link/LinkReport.h"

#include "common/Tools.h"
#include "log/AppLog.h"
#include "settings/Messages.h"

LinkReport::LinkReport(Messages &messages, Operator &op, AppLog &log, const QString &boxTitle,
                       const bool &showMsgBox)
    : m_messages(messages), m_op(op), m_log(log), m_boxTitle(boxTitle), m_showMsgBox(showMsgBox)
{
}

QString LinkReport::text(const QString &key, const QStringList &args) const
{
    return FormatMessage(QStringLiteral("  ") + m_messages.text(key), args.value(0), args.value(1),
                         args.value(2), args.value(3), args.value(4));
}

void LinkReport::show(const QString &text, unsigned ways, BoxIcon icon) const
{
    const bool box = (ways & AlwaysBox) || ((ways & (Box | BoxOrStatus)) && m_showMsgBox);
    if (box)
        m_op.messageBox(Tools::Trim(text), icon, m_boxTitle);
    if ((ways & Status) || ((ways & BoxOrStatus) && !box))
        m_op.statusText(text);
    if (ways & Log)
        m_log.WriteLog(text);
}

QString LinkReport::report(unsigned ways, const QString &key, const QStringList &args,
                           BoxIcon icon) const
{
    const QString t = text(key, args);
    show(t, ways, icon);
    return t;
}

#pragma once
#include <QString>
#include <QStringList>

#include "common/Operator.h"

class AppLog;
class Messages;

// How the link and the commands on it tell what happened: a catalogue text with two blanks
// in front and its "&" filled, shown in a box, on the status line and in the log, as each
// occasion asks.
class LinkReport {
public:
    // Where a text goes; combined with |.
    enum Way : unsigned {
        Box = 1,         // a box, when the ShowMsgBox flag is set
        AlwaysBox = 2,   // a box regardless of the flag
        BoxOrStatus = 4, // a box when the flag is set, otherwise the status line
        Status = 8,
        Log = 16,
    };

    // boxTitle and showMsgBox are read at each report: they are set after start-up.
    LinkReport(Messages &messages, Operator &op, AppLog &log, const QString &boxTitle,
               const bool &showMsgBox);

    // The catalogue text of key with two blanks in front, its "&" filled by args in turn.
    QString text(const QString &key, const QStringList &args = {}) const;
    // Shows text the given ways: the box first (the person reads it before the rest
    // moves on; trimmed, titled by the program's name), then the status line, then the log.
    void show(const QString &text, unsigned ways, BoxIcon icon = BoxIcon::Exclamation) const;
    // Both: the text of key shown the given ways; returns it.
    QString report(unsigned ways, const QString &key, const QStringList &args = {},
                   BoxIcon icon = BoxIcon::Exclamation) const;

    Messages &messages() const { return m_messages; }
    Operator &op() const { return m_op; }

private:
    Messages &m_messages;
    Operator &m_op;
    AppLog &m_log;
    const QString &m_boxTitle;
    const bool &m_showMsgBox;
};

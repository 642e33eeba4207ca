#include "gui/log/PlainTextSink.h"

#include <QPlainTextEdit>
#include <QTextCursor>

namespace {
QString shown(QStringView text)
{
    QString s = text.toString();
    s.remove(QLatin1Char('\r'));
    return s;
}
} // namespace

void PlainTextSink::setText(const QString &text)
{
    // Lines are mostly appended; only the trimming rewrites the whole control.
    if (!m_text.isEmpty() && text.startsWith(m_text)) {
        QTextCursor cursor(m_edit->document());
        cursor.movePosition(QTextCursor::End);
        cursor.insertText(shown(QStringView(text).mid(m_text.size())));
    } else {
        m_edit->setPlainText(shown(text));
    }
    m_text = text;
}

void PlainTextSink::setCaret(int position)
{
    position = qBound(0, position, int(m_text.size()));
    const int shownPosition =
        position - int(QStringView(m_text).left(position).count(QLatin1Char('\r')));
    QTextCursor cursor = m_edit->textCursor();
    cursor.setPosition(qMin(shownPosition, m_edit->document()->characterCount() - 1));
    m_edit->setTextCursor(cursor);
    m_edit->ensureCursorVisible();
}

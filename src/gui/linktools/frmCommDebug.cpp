#include "linktools/frmCommDebug.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextDocument>

#include "app/WidgetGeometry.h"
#include "common/Tools.h"
#include "settings/INITools.h"

namespace {

const QString Hex = QStringLiteral("0123456789ABCDEF");

QString twoDigits(int code)
{
    return QStringLiteral("%1").arg(code & 0xFF, 2, 16, QLatin1Char('0')).toUpper();
}

QChar shown(int code)
{
    return code >= 32 && code <= 127 ? QChar(code) : QLatin1Char(' ');
}

QPlainTextEdit *makeBox(QWidget *parent, const char *name)
{
    auto *box = new QPlainTextEdit(parent);
    box->setObjectName(QLatin1String(name));
    box->setReadOnly(true);
    box->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    box->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    // Both boxes break at the same column, so a byte's two cells stay one above the other.
    box->setWordWrapMode(QTextOption::WrapAnywhere);
    QFont font(QStringLiteral("Courier New"), 9);
    font.setStyleHint(QFont::TypeWriter);
    if (!QFontInfo(font).fixedPitch())
        font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    box->setFont(font);
    return box;
}

} // namespace

frmCommDebug::frmCommDebug(const QString &iniFile, QWidget *parent)
    : QWidget(parent, Qt::Tool), m_iniFile(iniFile), m_txtHex(makeBox(this, "txtHex")),
      m_txtAscii(makeBox(this, "txtAscii"))
{
    setObjectName(QStringLiteral("frmCommDebug"));
    setWindowTitle(QStringLiteral("COMM Debug (Löschen mit <F12>)"));
    setTabOrder(m_txtHex, m_txtAscii);
    // The window sees keys before its boxes.
    m_txtHex->installEventFilter(this);
    m_txtAscii->installEventFilter(this);
    Form_Load();
}

void frmCommDebug::Form_Load()
{
    WidgetGeometry geometry(this);
    geometry.setLeft(0);
    geometry.setTop(0);
    geometry.setWidth(8000);
    geometry.setHeight(6000);
    INI_RestoreFormPosition(geometry, m_iniFile, QStringLiteral("Screen"),
                            QStringLiteral("Comm_Debug_Coord_"));
    clearBoxes();
}

void frmCommDebug::clearBoxes()
{
    m_txtHex->clear();
    m_txtAscii->clear();
}

void frmCommDebug::cells(const QString &txt, bool validData, QString &hexRun, QString &charRun)
{
    hexRun.clear();
    charRun.clear();
    int count = 0;
    QString pending;
    for (qsizetype i = 0; i < txt.size(); ++i) {
        const QChar ch = txt.at(i);
        const QString marker = QLatin1Char('-') + twoDigits(ch.unicode()) + QStringLiteral("-| ");
        if (validData && Hex.contains(ch)) {
            hexRun += ch;
            pending += ch;
            if (++count == 2) {
                hexRun += QStringLiteral(" | ");
                charRun += shown(pending.toInt(nullptr, 16));
                charRun += QStringLiteral("  | ");
                count = 0;
                pending.clear();
            }
        } else if (validData) {
            hexRun = Tools::Trim(hexRun) + marker;
            charRun = Tools::Trim(charRun) + marker;
        } else {
            hexRun = Tools::Trim(hexRun) + marker;
            if (i == 0)
                charRun = QStringLiteral(" ");
            charRun += shown(ch.unicode());
            charRun += QStringLiteral("  | ");
        }
    }
}

void frmCommDebug::DebugAusgabe(const QString &txt, bool validData)
{
    QString hexRun, charRun;
    cells(txt, validData, hexRun, charRun);
    for (auto [box, run] : {std::pair{m_txtHex, hexRun}, std::pair{m_txtAscii, charRun}}) {
        QTextDocument *doc = box->document();
        QTextCursor cursor(doc);
        cursor.movePosition(QTextCursor::End);
        if (doc->isEmpty()) {
            cursor.insertText(QStringLiteral("|"));
        } else {
            // The box starts with "|", so only its end can hold blanks.
            while (cursor.position() > 0 &&
                   doc->characterAt(cursor.position() - 1) == QLatin1Char(' '))
                cursor.deletePreviousChar();
        }
        WriteCommDebug(run, box);
    }
}

void frmCommDebug::showBytes(const QByteArray &bytes)
{
    if (!bytes.isEmpty())
        DebugAusgabe(QString::fromLatin1(bytes), false);
}

QString frmCommDebug::capped(const QString &boxText, const QString &txt)
{
    QString t = boxText;
    if (t.size() + txt.size() >= TextCap) {
        qsizetype n = t.size() + txt.size() - TextCap; // 1-based position in t
        const qsizetype excess = n;
        while (n > 1 && t.mid(n - 1, 2) != QLatin1String("\r\n"))
            --n;
        if (n > 1) {
            t = t.mid(n + 1);
        } else if (excess > 0) {
            // Runs hold no line breaks: cut whole cells instead, so the window keeps
            // showing new traffic and each box starts with "|" as before.
            const qsizetype bar = t.indexOf(QLatin1Char('|'), qMax<qsizetype>(excess, 1));
            if (bar > 0)
                t = QLatin1Char('|') + t.mid(bar + 1);
        }
    }
    return t + txt;
}

void frmCommDebug::WriteCommDebug(const QString &txt, QPlainTextEdit *box)
{
    const QString current = box->toPlainText();
    const QString next = capped(current, txt);
    if (next.startsWith(current)) {
        QTextCursor cursor(box->document());
        cursor.movePosition(QTextCursor::End);
        cursor.insertText(txt);
    } else {
        box->setPlainText(next);
    }
    QTextCursor cursor = box->textCursor();
    cursor.movePosition(QTextCursor::End);
    box->setTextCursor(cursor);
    box->ensureCursorVisible();
    QCoreApplication::processEvents();
}

bool frmCommDebug::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent *>(event)->key() == Qt::Key_F12) {
        clearBoxes();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void frmCommDebug::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_F12) {
        clearBoxes();
        return;
    }
    QWidget::keyPressEvent(event);
}

void frmCommDebug::resizeEvent(QResizeEvent *event)
{
    const int half = height() / 2;
    m_txtHex->setGeometry(0, 0, width(), half);
    m_txtAscii->setGeometry(0, half, width(), half);
    QWidget::resizeEvent(event);
}

void frmCommDebug::closeEvent(QCloseEvent *event)
{
    INI_SaveFormPosition(WidgetGeometry(this), m_iniFile, QStringLiteral("Screen"),
                         QStringLiteral("Comm_Debug_Coord_"));
    QWidget::closeEvent(event);
}

#include "moc_frmCommDebug.cpp"

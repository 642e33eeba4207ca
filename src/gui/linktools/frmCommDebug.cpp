#include "gui/linktools/frmCommDebug.h"

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QSaveFile>
#include <QScrollBar>
#include <QShortcut>
#include <QTextDocument>
#include <QTimer>
#include <QWindow>

#include "app/ZtTools.h"
#include "common/Tools.h"
#include "gui/app/WidgetGeometry.h"
#include "settings/INITools.h"
#include "settings/Messages.h"

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

// The text a chunk makes in each box: "RX 12:00:01.250 |", five a byte, a blank, a line end.
qsizetype lineSize(qsizetype bytes)
{
    return 17 + 5 * bytes + 2;
}

bool isF12(QEvent *event)
{
    return (event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride) &&
           static_cast<QKeyEvent *>(event)->key() == Qt::Key_F12;
}

} // namespace

frmCommDebug::frmCommDebug(const QString &iniFile, Messages &messages, QWidget *parent)
    : QWidget(parent, Qt::Tool), m_iniFile(iniFile), m_messages(messages),
      m_txtHex(makeBox(this, "txtHex")), m_txtAscii(makeBox(this, "txtAscii")),
      m_lblPaused(new QLabel(this)), m_pause(new QAction(this)), m_clear(new QAction(this)),
      m_save(new QAction(this)), m_flush(new QTimer(this))
{
    setObjectName(QStringLiteral("frmCommDebug"));
    setWindowTitle(QStringLiteral("COMM Debug (Löschen mit <F12>)"));
    setTabOrder(m_txtHex, m_txtAscii);
    // The window sees keys before its boxes.
    m_txtHex->installEventFilter(this);
    m_txtAscii->installEventFilter(this);

    m_lblPaused->setObjectName(QStringLiteral("lblPaused"));
    m_lblPaused->setAutoFillBackground(true);
    m_lblPaused->hide();
    m_pause->setObjectName(QStringLiteral("actPause"));
    m_pause->setCheckable(true);
    m_pause->setShortcut(QKeySequence(Qt::Key_Pause));
    connect(m_pause, &QAction::toggled, this, &frmCommDebug::setPaused);
    m_clear->setObjectName(QStringLiteral("actClear"));
    connect(m_clear, &QAction::triggered, this, &frmCommDebug::clearBoxes);
    m_save->setObjectName(QStringLiteral("actSave"));
    m_save->setShortcut(QKeySequence::Save);
    connect(m_save, &QAction::triggered, this, &frmCommDebug::save);
    addActions({m_pause, m_save});
    for (QPlainTextEdit *box : {m_txtHex, m_txtAscii}) {
        box->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(box, &QWidget::customContextMenuRequested, this,
                [this, box](const QPoint &at) { showMenu(box, at); });
    }
    // Traffic is shown a few times a second, whatever number of chunks came meanwhile.
    m_flush->setSingleShot(true);
    m_flush->setInterval(FlushIntervalMs);
    connect(m_flush, &QTimer::timeout, this, &frmCommDebug::flush);
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
    m_pending.clear();
    m_pendingCells = 0;
    m_skipped = 0;
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

void frmCommDebug::trafficLines(Direction direction, const QTime &time, const QByteArray &bytes,
                                QString &hexLine, QString &charLine)
{
    QString hexRun, charRun;
    cells(QString::fromLatin1(bytes), false, hexRun, charRun);
    const QString head =
        (direction == Direction::Sent ? QStringLiteral("TX ") : QStringLiteral("RX ")) +
        time.toString(QStringLiteral("HH:mm:ss.zzz")) + QStringLiteral(" |");
    hexLine = head + hexRun;
    charLine = head + charRun;
}

void frmCommDebug::showSent(const QByteArray &bytes)
{
    queue(Direction::Sent, bytes);
}

void frmCommDebug::showReceived(const QByteArray &bytes)
{
    queue(Direction::Received, bytes);
}

// Only what a box can hold will ever be seen, so older chunks give way at once and a
// flood costs little more than copying its bytes.
void frmCommDebug::queue(Direction direction, const QByteArray &bytes)
{
    if (bytes.isEmpty())
        return;
    // What one update may show: a box, less room for the line counting what gave way.
    constexpr qsizetype budget = TextCap - 64;
    const qsizetype fits = (budget - lineSize(0)) / 5;
    const QByteArray shown = bytes.size() > fits ? bytes.right(fits) : bytes;
    m_skipped += bytes.size() - shown.size();
    m_pending.append({direction, QTime::currentTime(), shown});
    m_pendingCells += lineSize(shown.size());
    while (m_pendingCells > budget) {
        m_pendingCells -= lineSize(m_pending.constFirst().bytes.size());
        m_skipped += m_pending.constFirst().bytes.size();
        m_pending.removeFirst();
    }
    if (isVisible() && !m_paused && !m_flush->isActive())
        m_flush->start();
}

void frmCommDebug::flush()
{
    if (m_paused || !isVisible() || (m_pending.isEmpty() && m_skipped == 0))
        return;
    QString hex, chars;
    bool first = m_txtHex->document()->isEmpty();
    const auto addLine = [&](const QString &h, const QString &c) {
        if (!first) {
            hex += QLatin1Char('\n');
            chars += QLatin1Char('\n');
        }
        first = false;
        hex += h;
        chars += c;
    };
    if (m_skipped > 0) {
        QString text = m_messages.text(QStringLiteral("CommDebug_Skipped"));
        text = FormatMessage(text, QString::number(m_skipped));
        addLine(text, text);
    }
    for (const Chunk &chunk : std::as_const(m_pending)) {
        QString h, c;
        trafficLines(chunk.direction, chunk.time, chunk.bytes, h, c);
        addLine(h, c);
    }
    m_pending.clear();
    m_pendingCells = 0;
    m_skipped = 0;
    WriteCommDebug(hex, m_txtHex);
    WriteCommDebug(chars, m_txtAscii);
}

QString frmCommDebug::capped(const QString &boxText, const QString &txt)
{
    QString t = boxText;
    if (t.size() + txt.size() >= TextCap) {
        qsizetype n = t.size() + txt.size() - TextCap; // 1-based position in t
        const qsizetype excess = n;
        // The box itself holds its line ends as a lone LF.
        qsizetype cut = 0;
        for (; n > 1 && cut == 0; --n) {
            if (t.mid(n - 1, 2) == QLatin1String("\r\n"))
                cut = n + 1;
            else if (t.mid(n - 1, 1) == QLatin1String("\n"))
                cut = n;
        }
        if (cut > 0) {
            t = t.mid(cut);
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

// Runs no window events: traffic and the port come first.
void frmCommDebug::WriteCommDebug(const QString &txt, QPlainTextEdit *box)
{
    const QString current = box->toPlainText();
    const QString next = capped(current, txt);
    const qsizetype kept = next.size() - txt.size();
    const qsizetype removed = current.size() - kept;
    QTextCursor cursor(box->document());
    if (removed >= 0 && QStringView(next).left(kept) == QStringView(current).mid(removed)) {
        // Whole lines or nothing gave way at the top: edit the ends, not the whole text.
        if (removed > 0) {
            cursor.movePosition(QTextCursor::NextCharacter, QTextCursor::KeepAnchor, int(removed));
            cursor.removeSelectedText();
        }
        cursor.movePosition(QTextCursor::End);
        cursor.insertText(txt);
    } else {
        box->setPlainText(next);
    }
    cursor = box->textCursor();
    cursor.movePosition(QTextCursor::End);
    box->setTextCursor(cursor);
    box->ensureCursorVisible();
}

// F12 clears this window, before any program-wide F12 that opens and closes it.
bool frmCommDebug::event(QEvent *event)
{
    if (event->type() == QEvent::ShortcutOverride && isF12(event)) {
        event->accept();
        return true;
    }
    return QWidget::event(event);
}

bool frmCommDebug::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_owner && event->type() == QEvent::Show) {
        m_owner->removeEventFilter(this);
        QTimer::singleShot(0, this, &frmCommDebug::showBeside);
        return false;
    }
    if (watched != m_owner && isF12(event)) {
        event->accept();
        if (event->type() == QEvent::KeyPress)
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

void frmCommDebug::setOwner(QWidget *owner)
{
    m_owner = owner;
    delete m_toggleKey; // one F12 only: two would cancel each other out
    m_toggleKey = new QShortcut(QKeySequence(Qt::Key_F12), owner, this, &frmCommDebug::toggle,
                                Qt::ApplicationShortcut);
}

// Never over the splash, never behind the main window: shown once the owner shows, and
// kept in front of it.
void frmCommDebug::showBeside()
{
    if (m_owner && !m_owner->isVisible()) {
        m_owner->installEventFilter(this);
        return;
    }
    if (m_owner) {
        winId();
        m_owner->winId();
        windowHandle()->setTransientParent(m_owner->windowHandle());
    }
    show();
    raise();
}

void frmCommDebug::toggle()
{
    if (isVisible())
        close();
    else
        showBeside();
}

void frmCommDebug::setPaused(bool paused)
{
    m_paused = paused;
    m_pause->setChecked(paused);
    m_lblPaused->setVisible(paused);
    if (!paused && !m_pending.isEmpty())
        m_flush->start();
}

bool frmCommDebug::saveTo(const QString &path) const
{
    const QStringList hex = m_txtHex->toPlainText().split(QLatin1Char('\n'));
    const QStringList chars = m_txtAscii->toPlainText().split(QLatin1Char('\n'));
    QByteArray out;
    for (qsizetype i = 0; i < qMax(hex.size(), chars.size()); ++i) {
        if (i < hex.size())
            out += hex[i].toUtf8() + "\r\n";
        if (i < chars.size())
            out += chars[i].toUtf8() + "\r\n";
    }
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(out) == out.size() && file.commit();
}

void frmCommDebug::save()
{
    const QString path = QFileDialog::getSaveFileName(
        this, m_save->text().section(QLatin1Char('\t'), 0, 0),
        QFileInfo(m_iniFile).dir().filePath(QStringLiteral("CommDebug.txt")),
        QStringLiteral("Text (*.txt)"));
    if (path.isEmpty() || saveTo(path))
        return;
    QString text = m_messages.text(QStringLiteral("CommDebug_Save_Err"));
    QMessageBox::warning(this, windowTitle(), FormatMessage(text, path).trimmed());
}

void frmCommDebug::showMenu(QPlainTextEdit *box, const QPoint &at)
{
    QMenu *menu = box->createStandardContextMenu();
    menu->addSeparator();
    menu->addActions({m_pause, m_clear, m_save});
    menu->exec(box->viewport()->mapToGlobal(at));
    delete menu;
}

void frmCommDebug::showEvent(QShowEvent *event)
{
    // The catalogue's language is known once the window can be seen.
    m_pause->setText(m_messages.text(QStringLiteral("CommDebug_Pause")) +
                     QStringLiteral("\tPause"));
    m_clear->setText(m_messages.text(QStringLiteral("CommDebug_Clear")) + QStringLiteral("\tF12"));
    m_save->setText(m_messages.text(QStringLiteral("CommDebug_Save")) + QLatin1Char('\t') +
                    m_save->shortcut().toString(QKeySequence::NativeText));
    m_lblPaused->setText(m_messages.text(QStringLiteral("CommDebug_Paused")));
    m_lblPaused->adjustSize();
    if (!m_pending.isEmpty() || m_skipped > 0)
        m_flush->start();
    QWidget::showEvent(event);
}

void frmCommDebug::resizeEvent(QResizeEvent *event)
{
    const int half = height() / 2;
    m_txtHex->setGeometry(0, 0, width(), half);
    m_txtAscii->setGeometry(0, half, width(), half);
    // The paused mark sits in the hex box's top right corner, clear of its scroll bar.
    m_lblPaused->move(width() - m_lblPaused->width() - m_txtHex->verticalScrollBar()->width() - 4,
                      4);
    m_lblPaused->raise();
    QWidget::resizeEvent(event);
}

void frmCommDebug::closeEvent(QCloseEvent *event)
{
    INI_SaveFormPosition(WidgetGeometry(this), m_iniFile, QStringLiteral("Screen"),
                         QStringLiteral("Comm_Debug_Coord_"));
    QWidget::closeEvent(event);
}

#include "moc_frmCommDebug.cpp"

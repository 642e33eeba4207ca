#include "gui/log/frmProto.h"

#include <QBoxLayout>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QShortcut>

#include "app/ZtTools.h"
#include "gui/app/ScreenTwips.h"
#include "gui/app/WidgetGeometry.h"
#include "settings/Messages.h"

namespace {
QPlainTextEdit *makeText(QWidget *parent)
{
    auto *edit = new QPlainTextEdit(parent);
    edit->setObjectName(QStringLiteral("txtProto"));
    edit->setReadOnly(true);
    edit->setLineWrapMode(QPlainTextEdit::NoWrap);
    edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    return edit;
}
} // namespace

frmProto::frmProto(Messages &messages, QWidget *parent)
    : QDialog(parent), m_messages(messages), m_txtFind(new QLineEdit(this)),
      m_txtProto(makeText(this)), m_sink(m_txtProto),
      m_cmdSave(new QPushButton(QStringLiteral("Speichern..."), this))
{
    setObjectName(QStringLiteral("frmProto"));
    setWindowTitle(QStringLiteral("Protokoll"));
    // Open beside the main window while working on, and as large as the reader likes.
    setModal(false);
    setSizeGripEnabled(true);
    resize(ScreenTwips::px(8505), ScreenTwips::px(4935));

    m_txtFind->setObjectName(QStringLiteral("txtFind"));
    m_txtFind->setPlaceholderText(QStringLiteral("Suchen (Strg+F)"));
    m_txtFind->setClearButtonEnabled(true);
    connect(m_txtFind, &QLineEdit::textEdited, this, [this] { find(false); });
    auto *findKey = new QShortcut(QKeySequence::Find, this);
    connect(findKey, &QShortcut::activated, this, [this] {
        m_txtFind->setFocus();
        m_txtFind->selectAll();
    });

    auto *ok = new QPushButton(QStringLiteral("&Ok"), this);
    ok->setObjectName(QStringLiteral("cmdOk"));
    ok->setMinimumWidth(ScreenTwips::px(1095));
    ok->setDefault(true);
    // OK and the close control both hide; the text stays.
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    m_cmdSave->setObjectName(QStringLiteral("cmdSave"));
    m_cmdSave->setAutoDefault(false);
    connect(m_cmdSave, &QPushButton::clicked, this, &frmProto::cmdSave_Click);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_txtFind);
    layout->addWidget(m_txtProto, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_cmdSave);
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addStretch();
    buttons->addSpacing(m_cmdSave->sizeHint().width());
    layout->addLayout(buttons);
    setTabOrder(m_txtFind, m_txtProto);
    setTabOrder(m_txtProto, ok);
}

bool frmProto::find(bool next)
{
    const QString what = m_txtFind->text();
    if (what.isEmpty())
        return false;
    // Typing searches again from the start of the current match; Enter goes on past it.
    QTextCursor from = m_txtProto->textCursor();
    from.setPosition(next ? from.selectionEnd() : from.selectionStart());
    QTextCursor hit = m_txtProto->document()->find(what, from);
    if (hit.isNull())
        hit = m_txtProto->document()->find(what, 0); // on from the top
    if (hit.isNull())
        return false;
    m_txtProto->setTextCursor(hit);
    return true;
}

// Enter in the find box goes to the next match rather than to OK; Escape closes as the
// dialog does everywhere.
void frmProto::keyPressEvent(QKeyEvent *event)
{
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && m_txtFind->hasFocus()) {
        find(true);
        return;
    }
    QDialog::keyPressEvent(event);
}

QString frmProto::saveTo(const QString &fileName) const
{
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly) || file.write(m_sink.text().toUtf8()) < 0 ||
        !file.commit()) {
        QString text = m_messages.text(QStringLiteral("Form_Proto.Save_Err"));
        return FormatMessage(text, file.errorString(), fileName);
    }
    return {};
}

void frmProto::cmdSave_Click()
{
    const QString name = QFileDialog::getSaveFileName(this, m_cmdSave->text(), QString(),
                                                      QStringLiteral("*.Log *.txt"));
    if (name.isEmpty())
        return;
    const QString error = saveTo(name);
    if (!error.isEmpty())
        QMessageBox::warning(this, windowTitle(), error);
}

QPoint frmProto::placement(const Box &main, int width, int height, int screenWidth,
                           int screenHeight)
{
    // The upper edge wins over the lower one, so a window taller than the screen still
    // shows its title bar.
    auto place = [](int start, int size, int own, int screen) {
        int pos = start + (size - own) / 2;
        if (pos + own > screen)
            pos = screen - own;
        if (pos < 1)
            pos = 1;
        return pos;
    };
    return {place(main.left, main.width, width, screenWidth),
            place(main.top, main.height, height, screenHeight)};
}

void frmProto::placeOver(const FormGeometry &mainWindow)
{
    WidgetGeometry own(this);
    const QPoint pos =
        placement({mainWindow.left(), mainWindow.top(), mainWindow.width(), mainWindow.height()},
                  own.width(), own.height(), mainWindow.screenWidth(), mainWindow.screenHeight());
    own.setLeft(pos.x());
    own.setTop(pos.y());
}

void frmProto::showEvent(QShowEvent *event)
{
    Form_Activate();
    QDialog::showEvent(event);
}

void frmProto::Form_Activate()
{
    if (m_textsApplied || m_messages.language().trimmed().isEmpty())
        return;
    setWindowTitle(m_messages.text(QStringLiteral("Form_Proto.Caption")));
    m_txtProto->setToolTip(m_messages.text(QStringLiteral("Form_Proto.ToolTip"), QString()));
    m_txtFind->setPlaceholderText(m_messages.text(QStringLiteral("Form_Proto.Find")));
    m_cmdSave->setText(m_messages.text(QStringLiteral("Form_Proto.Save")));
    m_textsApplied = true;
}

#include "moc_frmProto.cpp"

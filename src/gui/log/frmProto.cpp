#include "log/frmProto.h"

#include <QPlainTextEdit>
#include <QPushButton>

#include "app/WidgetGeometry.h"
#include "common/Twips.h"
#include "settings/Messages.h"

namespace {
QRect twipsRect(int left, int top, int width, int height)
{
    return {Twips::toPixels(left), Twips::toPixels(top), Twips::toPixels(width),
            Twips::toPixels(height)};
}

QPlainTextEdit *makeText(QWidget *parent)
{
    auto *edit = new QPlainTextEdit(parent);
    edit->setObjectName(QStringLiteral("txtProto"));
    edit->setReadOnly(true);
    edit->setLineWrapMode(QPlainTextEdit::NoWrap);
    edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    edit->setGeometry(twipsRect(120, 120, 8295, 4095));
    return edit;
}
} // namespace

frmProto::frmProto(Messages &messages, QWidget *parent)
    : QDialog(parent), m_messages(messages), m_txtProto(makeText(this)), m_sink(m_txtProto)
{
    setObjectName(QStringLiteral("frmProto"));
    setWindowTitle(QStringLiteral("Protokoll"));
    setFixedSize(Twips::toPixels(8505), Twips::toPixels(4935));
    setModal(true);

    auto *ok = new QPushButton(QStringLiteral("&Ok"), this);
    ok->setObjectName(QStringLiteral("cmdOk"));
    ok->setGeometry(twipsRect(3720, 4440, 1095, 375));
    ok->setDefault(true);
    // OK and the close control both hide; the text stays.
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    setTabOrder(m_txtProto, ok);
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
    m_textsApplied = true;
}

#include "moc_frmProto.cpp"

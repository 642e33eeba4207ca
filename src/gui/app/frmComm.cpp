#include "app/frmComm.h"

#include <QCoreApplication>
#include <QFrame>
#include <QLabel>
#include <QPushButton>

#include "common/Twips.h"

namespace {
QRect twipsRect(int left, int top, int width, int height)
{
    return {Twips::toPixels(left), Twips::toPixels(top), Twips::toPixels(width),
            Twips::toPixels(height)};
}
} // namespace

frmComm::frmComm(QWidget *mainWindow) : QDialog(mainWindow)
{
    setObjectName(QStringLiteral("frmComm"));
    // These captions are German in every language.
    setWindowTitle(QStringLiteral("Datenübertragung"));
    setFixedSize(Twips::toPixels(4335), Twips::toPixels(1440));
    setModal(false);

    auto *frame = new QFrame(this);
    frame->setObjectName(QStringLiteral("Frame1"));
    frame->setFrameShape(QFrame::Box);
    frame->setFrameShadow(QFrame::Sunken);
    frame->setGeometry(twipsRect(120, 0, 4095, 735));

    auto *label = new QLabel(QStringLiteral("Datenübertragung, bitte warten..."), frame);
    label->setObjectName(QStringLiteral("Label1"));
    QFont font = label->font();
    font.setPointSizeF(9.75);
    font.setBold(true);
    label->setFont(font);
    label->setGeometry(twipsRect(240, 240, 3615, 375));

    auto *cancel = new QPushButton(QStringLiteral("&Abbrechen"), this);
    cancel->setObjectName(QStringLiteral("cmdCancel"));
    cancel->setGeometry(twipsRect(1560, 960, 1215, 375));
    connect(cancel, &QPushButton::clicked, this, &frmComm::cmdCancel_Click);
}

void frmComm::activate(const QString &caption)
{
    if (!caption.isEmpty())
        setWindowTitle(caption);
    if (QWidget *main = parentWidget()) {
        const QRect outer = main->frameGeometry();
        const QSize own = frameGeometry().size();
        move(outer.left() + (outer.width() - own.width()) / 2,
             outer.top() + (outer.height() - own.height()) / 2);
    }
    show();
    raise();
}

void frmComm::reject()
{
    cmdCancel_Click();
}

void frmComm::cmdCancel_Click()
{
    if (m_onCancel)
        m_onCancel();
    hide();
    QCoreApplication::processEvents();
}

#include "moc_frmComm.cpp"

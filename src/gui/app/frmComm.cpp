#include "gui/app/frmComm.h"

#include <QBoxLayout>
#include <QCoreApplication>
#include <QFrame>
#include <QLabel>
#include <QPushButton>

#include "gui/app/ScreenTwips.h"

frmComm::frmComm(QWidget *mainWindow) : QDialog(mainWindow)
{
    setObjectName(QStringLiteral("frmComm"));
    // These captions are German in every language.
    setWindowTitle(QStringLiteral("Datenübertragung"));
    setModal(false);

    auto *frame = new QFrame(this);
    frame->setObjectName(QStringLiteral("Frame1"));
    frame->setFrameShape(QFrame::Box);
    frame->setFrameShadow(QFrame::Sunken);

    auto *label = new QLabel(QStringLiteral("Datenübertragung, bitte warten..."), frame);
    label->setObjectName(QStringLiteral("Label1"));
    QFont font = label->font();
    font.setPointSizeF(9.75);
    font.setBold(true);
    label->setFont(font);
    label->setMinimumSize(ScreenTwips::px(3615), ScreenTwips::px(375));

    auto *cancel = new QPushButton(QStringLiteral("&Abbrechen"), this);
    cancel->setObjectName(QStringLiteral("cmdCancel"));
    cancel->setMinimumSize(ScreenTwips::px(1215), ScreenTwips::px(375));
    connect(cancel, &QPushButton::clicked, this, &frmComm::cmdCancel_Click);

    // The design's places, grown where the fonts need more room than the design gave.
    const int margin = ScreenTwips::px(120);
    auto *inFrame = new QVBoxLayout(frame);
    inFrame->setContentsMargins(margin, margin, margin, ScreenTwips::px(60));
    inFrame->addWidget(label);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(margin, 0, margin, ScreenTwips::px(105));
    layout->setSpacing(ScreenTwips::px(225));
    layout->addWidget(frame);
    layout->addWidget(cancel, 0, Qt::AlignHCenter);
    setFixedSize(sizeHint().expandedTo(QSize(ScreenTwips::px(4335), ScreenTwips::px(1440))));
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
    Q_EMIT cancelled();
    hide();
    QCoreApplication::processEvents();
}

#include "moc_frmComm.cpp"

#include "gui/ui/frmTabStripData09.h"

#include <QGroupBox>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QToolBar>
#include <QToolButton>

#include "app/MenuCommands.h"
#include "app/ZtTools.h"
#include "gui/app/ScreenTwips.h"
#include "gui/controls/sdFrame.h"
#include "gui/ui/FieldEditing.h"
#include "gui/ui/PageStyle.h"

using ScreenTwips::place;
using ScreenTwips::px;

frmTabStripData09::frmTabStripData09(ZtTools &zt, frmChoose &chooser, QWidget *parent)
    : QWidget(parent), fraTab(new sdFrame(this, QStringLiteral("fraTab"))),
      fraContainerPart01(new QGroupBox(QStringLiteral("Systeminformation"), fraTab)),
      txtACUVersion(new QLineEdit(fraContainerPart01)),
      txtCanBusAddr(new QLineEdit(fraContainerPart01)),
      picCanBusAddr(new QToolButton(fraContainerPart01)), m_zt(zt), m_chooser(chooser)
{
    setObjectName(QStringLiteral("frmTabStripData09"));
    setVisible(false);
    fraTab->setCaption(QStringLiteral("system"));
    fraTab->move(0, 0, 9855, 1215);
    fraContainerPart01->setObjectName(QStringLiteral("fraContainerPart01"));
    place(fraContainerPart01, 0, 0, 9855, 1215);

    const QString captions[2] = {QStringLiteral("ACU Version "), QStringLiteral("CanBus Adresse")};
    const QString tips[2] = {QStringLiteral("ACU Version senden"),
                             QStringLiteral("CanBus Adresse senden")};
    for (int i = 0; i < 2; ++i) {
        const int top = 240 + 480 * i;
        lblPart01[i] = new QLabel(captions[i], fraContainerPart01);
        lblPart01[i]->setObjectName(QStringLiteral("lblPart01(%1)").arg(i));
        place(lblPart01[i], 120, top, 1575, 315);

        ToolbarPart01[i] = new QToolBar(fraContainerPart01);
        ToolbarPart01[i]->setObjectName(QStringLiteral("ToolbarPart01(%1)").arg(i));
        ToolbarPart01[i]->setMovable(false);
        ToolbarPart01[i]->setFloatable(false);
        ToolbarPart01[i]->setIconSize(QSize(16, 16));
        QAction *send = ToolbarPart01[i]->addAction(
            QIcon::fromTheme(QStringLiteral("document-send"),
                             QIcon(QStringLiteral(":/zt/icons/send.png"))),
            QString());
        send->setToolTip(tips[i]);
        connect(send, &QAction::triggered, this, [this, i] { ToolbarPart01_ButtonClick(i); });
        ToolbarPart01[i]->adjustSize();
        ToolbarPart01[i]->move(px(4080), px(top) - (ToolbarPart01[i]->height() - px(315)) / 2);
    }

    txtACUVersion->setObjectName(QStringLiteral("txtACUVersion"));
    txtACUVersion->setMaxLength(4);
    installDigitFilter(txtACUVersion);
    place(txtACUVersion, 1920, 240, 495, 315);

    txtCanBusAddr->setObjectName(QStringLiteral("txtCanBusAddr"));
    // Never typed into: no length limit, which would cut a long label set by the program.
    txtCanBusAddr->setReadOnly(true);
    txtCanBusAddr->setContextMenuPolicy(Qt::NoContextMenu);
    txtCanBusAddr->installEventFilter(this);
    place(txtCanBusAddr, 1920, 720, 1815, 315);

    picCanBusAddr->setObjectName(QStringLiteral("picCanBusAddr"));
    picCanBusAddr->setAutoRaise(true);
    picCanBusAddr->setFocusPolicy(Qt::NoFocus);
    place(picCanBusAddr, 3720, 720, 270, 315);
    picCanBusAddr->setIconSize(picCanBusAddr->size() - QSize(2, 2));
    connect(picCanBusAddr, &QToolButton::clicked, this, &frmTabStripData09::choose);
    // A desktop style or font whose title runs taller than the design allows pushes the
    // content down below it.
    const int room = PageStyle::titleOverlap(fraContainerPart01, px(240));
    PageStyle::lowerContent(fraContainerPart01, room);
    fraTab->move(0, 0, 9855, 1215 + ScreenTwips::tw(room));
    InitPage();
}

void frmTabStripData09::InitPage()
{
    picCanBusAddr->setIcon(QIcon(QStringLiteral(":/zt/icons/dropdown.png")));
    SetFieldCode(txtCanBusAddr, m_zt.canBusList(), 0, m_zt.notDefinedText());
}

void frmTabStripData09::ToolbarPart01_ButtonClick(int Index)
{
    if (Index == 0)
        Q_EMIT menuCommandRequested(MenuCommand::SendAcuVersion);
    else if (Index == 1)
        Q_EMIT menuCommandRequested(MenuCommand::SendCanBusAddr);
}

void frmTabStripData09::choose()
{
    ChooseFieldCode(txtCanBusAddr, m_zt.canBusList(), m_chooser, m_zt.notDefinedText(),
                    lblPart01[1]->text().trimmed());
}

bool frmTabStripData09::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == txtCanBusAddr) {
        if (event->type() == QEvent::MouseButtonRelease &&
            static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
            choose();
            return true;
        }
        if (event->type() == QEvent::KeyPress) {
            const auto *key = static_cast<QKeyEvent *>(event);
            if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter ||
                key->key() == Qt::Key_F4 ||
                (key->key() == Qt::Key_Down && (key->modifiers() & Qt::AltModifier))) {
                choose();
                return true;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

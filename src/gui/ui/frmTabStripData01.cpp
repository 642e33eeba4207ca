#include "gui/ui/frmTabStripData01.h"

#include <QGroupBox>
#include <QLineEdit>

#include "app/ZtTools.h"
#include "gui/app/ScreenTwips.h"
#include "gui/controls/sdFrame.h"
#include "gui/ui/PageStyle.h"
#include "settings/INITools.h"

using ScreenTwips::place;

frmTabStripData01::frmTabStripData01(ZtTools &zt, QWidget *parent)
    : QWidget(parent), fraTab(new sdFrame(this, QStringLiteral("fraTab"))),
      fraStatus(new QGroupBox(fraTab))
{
    setObjectName(QStringLiteral("frmTabStripData01"));
    setVisible(false);
    fraTab->setCaption(QStringLiteral("status"));
    fraTab->move(0, 0, 9855, 1455);
    fraStatus->setObjectName(QStringLiteral("fraStatus"));
    place(fraStatus, 0, 0, 9855, 1455);
    for (int i = 0; i < 3; ++i) {
        const int top = 240 + 360 * i;
        txtLblStatus[i] = new QLineEdit(fraStatus);
        txtLblStatus[i]->setObjectName(QStringLiteral("txtLblStatus(%1)").arg(i));
        place(txtLblStatus[i], 120, top, 3375, 315);
        txtStatus[i] = new QLineEdit(fraStatus);
        txtStatus[i]->setObjectName(QStringLiteral("txtStatus(%1)").arg(i));
        txtStatus[i]->setReadOnly(true);
        PageStyle::makeGrey(txtStatus[i]);
        place(txtStatus[i], 3600, top, 6135, 315);
    }
    InitPage(zt);
}

void frmTabStripData01::InitPage(ZtTools &zt)
{
    const QString section = QStringLiteral("TabStrip_Status_") + zt.flags().Language;
    fraStatus->setTitle(QString());
    for (int i = 0; i < 3; ++i) {
        const QString n = QStringLiteral("%1").arg(i + 1, 2, 10, QLatin1Char('0'));
        const QString label = QStringLiteral("Label") + n;
        const QString tip =
            INI_ReadValue(zt.iniFileName(), section, QStringLiteral("ToolTip") + n, QString());
        txtLblStatus[i]->setText(INI_ReadValue(zt.iniFileName(), section, label, label));
        txtLblStatus[i]->setCursorPosition(0);
        txtLblStatus[i]->setToolTip(tip);
        txtStatus[i]->setToolTip(tip);
        PageStyle::makeLabelBox(txtLblStatus[i]);
    }
}

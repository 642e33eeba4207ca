#include "gui/app/GuiPageBridge.h"

#include <QApplication>
#include <QLineEdit>

#include "app/ZtTools.h"
#include "common/Tools.h"
#include "gui/ui/FieldEditing.h"
#include "gui/ui/frmMain.h"
#include "gui/ui/frmTabStripData01.h"
#include "gui/ui/frmTabStripData02.h"
#include "gui/ui/frmTabStripData09.h"

namespace {
// A fixed text as a text box shows it: up to its first code 0 (a field never filled holds
// nothing else), without trailing blanks.
QString shown(const QString &fixed)
{
    return Tools::RTrim(fixed.left(fixed.indexOf(QChar(0))));
}
} // namespace

void GuiPageBridge::attach(ZtTools &zt, frmMain &main)
{
    m_zt = &zt;
    m_main = &main;
}

bool GuiPageBridge::ready() const
{
    return m_main && m_main->page01() && m_main->page02() && m_main->page09();
}

void GuiPageBridge::DataSet_FromPages()
{
    if (!ready())
        return;
    DataSet &d = m_zt->data();
    for (int i = 0; i < 3; ++i)
        d.TextStatus[i].set(Tools::RTrim(m_main->page01()->statusField(i)->text()));
    for (int k = 1; k <= 25; ++k) {
        for (int g = 1; g <= 4; ++g)
            d.DataRecord.button(g, k) = fieldCode(m_main->page02()->keyField(g - 1, k - 1));
    }
    d.ACUVersion.set(Tools::RTrim(m_main->page09()->acuVersionField()->text()));
    d.CanBusAddr = fieldCode(m_main->page09()->canBusAddrField());
}

void GuiPageBridge::DataSet_ToPages()
{
    if (!ready())
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    FocusTabStrip();
    const DataSet &d = m_zt->data();
    for (int i = 0; i < 3; ++i) {
        QLineEdit *line = m_main->page01()->statusField(i);
        line->setText(shown(d.TextStatus[i].text()));
        line->setCursorPosition(0);
    }
    for (int k = 1; k <= 25; ++k) {
        for (int g = 1; g <= 4; ++g) {
            QLineEdit *field = m_main->page02()->keyField(g - 1, k - 1);
            SetFieldCode(field, m_zt->channelList(), d.DataRecord.button(g, k),
                         m_zt->notDefinedText());
        }
    }
    m_main->page09()->acuVersionField()->setText(shown(d.ACUVersion.text()));
    SetFieldCode(m_main->page09()->canBusAddrField(), m_zt->canBusList(), d.CanBusAddr,
                 m_zt->notDefinedText());
    QApplication::restoreOverrideCursor();
    FocusTabStrip();
}

void GuiPageBridge::FocusTabStrip()
{
    if (m_main)
        m_main->FocusTabStrip();
}

int GuiPageBridge::selectedTab() const
{
    return m_main ? m_main->selectedTab() : 0;
}

#pragma once
#include "app/PageBridge.h"

class ZtTools;
class frmMain;

// The page controls of the main window as the DataSet's bridge. Until the main window has
// built its pages there is nothing to transfer.
class GuiPageBridge : public PageBridge {
public:
    void attach(ZtTools &zt, frmMain &main);

    void DataSet_FromPages() override;
    void DataSet_ToPages() override;
    void FocusTabStrip() override;
    int selectedTab() const override;

private:
    bool ready() const;

    ZtTools *m_zt = nullptr;
    frmMain *m_main = nullptr;
};

#pragma once

// The bridge between the page controls and the DataSet.
class PageBridge {
public:
    virtual ~PageBridge() = default;
    virtual void DataSet_FromPages() = 0;
    virtual void DataSet_ToPages() = 0;
    // Gives the tab strip the focus while the main window is shown; otherwise nothing.
    virtual void FocusTabStrip() = 0;
    // 1-based index of the selected tab (0 while there are no tabs).
    virtual int selectedTab() const = 0;
};

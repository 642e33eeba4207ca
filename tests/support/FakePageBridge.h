#pragma once
#include <QStringList>
#include <functional>

#include "app/PageBridge.h"

// Counts the page transfers; a test may hook them to play the pages' part.
class FakePageBridge : public PageBridge {
public:
    QStringList calls;
    int tab = 1;
    std::function<void()> onFromPages, onToPages;

    void DataSet_FromPages() override
    {
        calls << QStringLiteral("from");
        if (onFromPages)
            onFromPages();
    }
    void DataSet_ToPages() override
    {
        calls << QStringLiteral("to");
        if (onToPages)
            onToPages();
    }
    void FocusTabStrip() override { calls << QStringLiteral("focus"); }
    int selectedTab() const override { return tab; }
};

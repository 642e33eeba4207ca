#include "gui/ui/ScrollArithmetic.h"

#include <QtGlobal>

namespace ScrollArithmetic {

namespace {
// Room below the tab strip for the status bar, and the scroll bar's cut against the tabs.
constexpr int StatusBarRoom = 320;
constexpr int ScrollBarCut = 410;
} // namespace

ScrollBarState AdjustScrollBar(const PageArea &area)
{
    // The page frame's placement is read as 16-bit numbers, as it is stored.
    const int pageTop = static_cast<qint16>(area.pageTop);
    const int pageHeight = static_cast<qint16>(area.pageHeight);

    ScrollBarState s;
    s.height = area.tabDataHeight - ScrollBarCut;
    s.enabled = area.containerHeight < pageHeight - ScrollStep;
    s.max = area.scrollMax;
    if (s.enabled) {
        s.max = pageHeight - area.tabClientHeight;
        s.smallChange = ScrollStep;
        s.largeChange = s.smallChange;
        const int offset = -pageTop;
        s.value = (offset > s.max || offset <= 0) ? 0 : offset;
        const PagePosition p = VScroll_Change(s.value, pageHeight);
        s.pageTop = p.pageTop;
        s.blindTop = p.blindTop;
    } else {
        s.pageTop = 0;
        s.blindTop = pageHeight;
        s.value = 0;
    }
    return s;
}

PagePosition VScroll_Change(int value, int pageHeight)
{
    PagePosition p;
    p.pageTop = -value;
    p.blindTop = p.pageTop + pageHeight;
    return p;
}

WindowSize Form_Resize(int height, int maxFormHeight, int tabDataTop, int frame)
{
    WindowSize w;
    w.width = FormWidth;
    w.height = qMax(height + frame, MinFormHeight);
    if (w.height > maxFormHeight)
        w.height = maxFormHeight;
    w.height -= frame;
    w.tabDataHeight = w.height - tabDataTop - StatusBarRoom;
    return w;
}

} // namespace ScrollArithmetic

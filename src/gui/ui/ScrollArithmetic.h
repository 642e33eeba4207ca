#pragma once

// The arithmetic of the main window's page area, in twips, free of widgets: the scroll bar
// fitted to the active page, the page moved by the scroll bar, the window held to its bounds.
namespace ScrollArithmetic {

constexpr int FormWidth = 10590;
constexpr int MinFormHeight = 2970;
constexpr int ScrollStep = 96;

struct PageArea {
    int tabDataHeight = 0;
    int tabClientHeight = 0;
    int containerHeight = 0;
    int pageTop = 0; // active page frame
    int pageHeight = 0;
    int scrollMax = 0; // the scroll bar's Max before the call
};

struct ScrollBarState {
    int height = 0;
    bool enabled = false;
    int max = 0;
    int smallChange = 0;
    int largeChange = 0;
    int value = 0;
    int pageTop = 0;
    int blindTop = 0;
};

struct PagePosition {
    int pageTop = 0;
    int blindTop = 0;
};

struct WindowSize {
    int width = 0;
    int height = 0;
    int tabDataHeight = 0;
};

// Fits the scroll bar to the active page; keeps the page's offset while it still fits.
ScrollBarState AdjustScrollBar(const PageArea &area);
// The page follows the scroll bar, the blind stays right below it.
PagePosition VScroll_Change(int value, int pageHeight);
// Width fixed; the whole window, its frame (title bar, borders) included, between the
// minimum and maxFormHeight; the tab strip fills the rest. height and the result's height
// are the client height.
WindowSize Form_Resize(int height, int maxFormHeight, int tabDataTop, int frame);

} // namespace ScrollArithmetic

#pragma once
#include <QGuiApplication>
#include <QRect>
#include <QScreen>
#include <QWidget>

#include "common/Twips.h"

// Every conversion between twips and pixels in the windows goes through here, at one DPI:
// the primary screen's logical DPI (96 without a screen). One factor for the whole desktop
// keeps positions on different screens comparable; Qt's device pixel ratio then takes care
// of 150 % and 200 % displays.
namespace ScreenTwips {
inline double dpi()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    return screen ? screen->logicalDotsPerInch() : 96.0;
}
inline int px(int twips)
{
    return Twips::toPixels(twips, dpi());
}
inline int tw(int pixels)
{
    return Twips::fromPixels(pixels, dpi());
}
// A design rectangle given in twips.
inline QRect rect(int left, int top, int width, int height)
{
    return {px(left), px(top), px(width), px(height)};
}
// Places a control at a design position given in twips.
inline void place(QWidget *w, int left, int top, int width, int height)
{
    w->setGeometry(rect(left, top, width, height));
}
} // namespace ScreenTwips

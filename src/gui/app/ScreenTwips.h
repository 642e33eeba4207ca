#pragma once
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include "common/Twips.h"

// Twips to logical pixels at the primary screen's logical DPI; Qt's device pixel ratio
// then takes care of 150 % and 200 % displays.
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
// Places a control at a design position given in twips.
inline void place(QWidget *w, int left, int top, int width, int height)
{
    w->setGeometry(px(left), px(top), px(width), px(height));
}
} // namespace ScreenTwips

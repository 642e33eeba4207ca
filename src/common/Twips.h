#pragma once
#include <cmath>

// Control geometry stays in twips in the code (1440 twips an inch) so it can be held
// against the layout tables. This is the arithmetic; which DPI a window converts at is
// decided in one place (ScreenTwips in the GUI).
namespace Twips {
inline int toPixels(int twips, double logicalDpi)
{
    return static_cast<int>(std::lround(twips * logicalDpi / 1440.0));
}
inline int fromPixels(int pixels, double logicalDpi)
{
    return static_cast<int>(std::lround(pixels * 1440.0 / logicalDpi));
}
} // namespace Twips

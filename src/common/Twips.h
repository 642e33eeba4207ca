#pragma once
#include <cmath>

// Control geometry stays in twips in the code (1440 twips an inch) so it can be held
// against the layout tables; widgets convert at the screen's logical DPI.
namespace Twips {
inline int toPixels(int twips, double logicalDpi = 96.0)
{
    return static_cast<int>(std::lround(twips * logicalDpi / 1440.0));
}
inline int fromPixels(int pixels, double logicalDpi = 96.0)
{
    return static_cast<int>(std::lround(pixels * 1440.0 / logicalDpi));
}
} // namespace Twips

#include "window/layout.h"

#include <algorithm>
#include <cmath>

namespace pagelens {

TwipsRect ViewerPlacement(int clientWidth, int clientHeight, int statusBarHeight) {
    const int zoomBottom = static_cast<int>(std::nearbyint(double(kZoomBarTop) + kZoomBarHeight));
    return {0, zoomBottom + 50, clientWidth,
            std::max(0, clientHeight - statusBarHeight - zoomBottom - 100)};
}

int TwipsToPixels(double twips, int dpi) {
    return static_cast<int>(std::lround(twips * dpi / 1440.0));
}

double PixelsToTwips(int pixels, int dpi) { return pixels * 1440.0 / dpi; }

}  // namespace pagelens

// Figures of the snapshot window's layout, in twips (1/1440 inch), and their conversion to
// pixels of the display.
#pragma once

namespace pagelens {

struct TwipsRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

// The zoom bar: its top and height at design.
inline constexpr int kZoomBarTop = 1575;
inline constexpr int kZoomBarHeight = 240;

// The viewer spans the client width, from 50 twips below the zoom bar to 50 twips above the
// status bar. A client too small for that gives the viewer a height of 0.
TwipsRect ViewerPlacement(int clientWidth, int clientHeight, int statusBarHeight);

int TwipsToPixels(double twips, int dpi);
double PixelsToTwips(int pixels, int dpi);

}  // namespace pagelens

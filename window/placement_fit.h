// Where a stored window placement puts the snapshot window, brought within the user's reach.
// The placement comes from the settings, which another program, an older version or a monitor
// that is gone may have left anywhere: a window opened off every screen, or a few pixels high,
// is modal and out of reach, and the browser behind it stays disabled. Such a placement is
// moved onto the nearest work area and grown to the window's usable size, as the system does
// for a window restored on a detached monitor; one that is on a screen is used as stored.
//
// The unloading side keeps what was stored: an edge the user has not moved is written back as
// the stored value, to the twip, rather than as the pixel it was rounded to.
#pragma once
#include <windows.h>

#include <array>
#include <vector>

namespace pagelens {

struct PixelRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    bool operator==(const PixelRect&) const = default;
};

// The client area in which every control shows and the viewer keeps a useful height: the design
// width, and the zoom bar's bottom, the viewer's margins, a status bar and 1200 twips of viewer.
inline constexpr int kUsableClientWidthTwips = 9150;
inline constexpr int kUsableClientHeightTwips = 1815 + 100 + 420 + 1200;

// Stored left, top, width and height in twips, as pixels of a display of `dpi`; values beyond
// what a window can take (more than 32 bits, not a number) are brought to its limits first.
PixelRect PlacementPixels(const std::array<double, 4>& twips, int dpi);

// `wanted` if it is on one of `workAreas` and not smaller than `minimum`; otherwise grown to
// `minimum` (at most the work area's size) and moved onto the nearest work area. No work areas:
// `wanted` as it is.
PixelRect FitOntoWorkAreas(const PixelRect& wanted, const std::vector<RECT>& workAreas,
                           SIZE minimum);

// The work areas of the monitors attached now.
std::vector<RECT> MonitorWorkAreas();

// The outer size of `window` around the usable client area.
SIZE UsableFrameSize(HWND window, int dpi);

// The frame of `window` now.
PixelRect FrameOf(HWND window);

// What a showing placed, to be stored again at its end.
struct ShownPlacement {
    std::array<double, 4> storedTwips{};
    PixelRect shown;
};

// The twips to store for the window's frame `now`: each of left, top, width and height that is
// still where the stored value put it keeps the stored value; the others are `now` in twips.
std::array<double, 4> TwipsToStore(const ShownPlacement& placement, const PixelRect& now, int dpi);

}  // namespace pagelens

#include "window/placement_fit.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "window/layout.h"

namespace pagelens {
namespace {

// The range the window manager keeps coordinates and sizes in.
constexpr double kLargestCoordinate = 32767;

// The part of a window the user needs to grab it: a stretch of its caption this wide, and at
// least this many rows of it on the work area.
constexpr int kGripWidth = 40;
constexpr int kGripRows = 12;

int ClampedPixels(double twips, int dpi, double lowest) {
    if (std::isnan(twips)) twips = 0;
    const double pixels = std::clamp(twips * dpi / 1440.0, lowest, kLargestCoordinate);
    return static_cast<int>(std::lround(pixels));
}

long Overlap(long a0, long a1, long b0, long b1) {
    return std::max(0L, std::min(a1, b1) - std::max(a0, b0));
}

bool Reachable(const PixelRect& r, const RECT& area) {
    const long wide = Overlap(r.left, long(r.left) + r.width, area.left, area.right);
    const long rows = Overlap(r.top, long(r.top) + kGripRows, area.top, area.bottom);
    return wide >= std::min(kGripWidth, r.width) && rows >= std::min(kGripRows, r.height);
}

// Larger shared area first, then the shorter gap between the two.
double Distance(const PixelRect& r, const RECT& area) {
    const double dx = std::max(
        {0.0, double(area.left) - (double(r.left) + r.width), double(r.left) - area.right});
    const double dy =
        std::max({0.0, double(area.top) - (double(r.top) + r.height), double(r.top) - area.bottom});
    const double shared = double(Overlap(r.left, long(r.left) + r.width, area.left, area.right)) *
                          Overlap(r.top, long(r.top) + r.height, area.top, area.bottom);
    return shared > 0 ? -shared : std::hypot(dx, dy);
}

int PlaceWithin(int start, int length, long low, long high) {
    if (start + long(length) > high) start = static_cast<int>(high - length);
    return static_cast<int>(std::max<long>(start, low));
}

BOOL CALLBACK CollectWorkArea(HMONITOR monitor, HDC, LPRECT, LPARAM param) {
    MONITORINFO info{sizeof info};
    if (GetMonitorInfoW(monitor, &info))
        reinterpret_cast<std::vector<RECT>*>(param)->push_back(info.rcWork);
    return TRUE;
}

}  // namespace

PixelRect PlacementPixels(const std::array<double, 4>& twips, int dpi) {
    return {ClampedPixels(twips[0], dpi, -kLargestCoordinate),
            ClampedPixels(twips[1], dpi, -kLargestCoordinate), ClampedPixels(twips[2], dpi, 0),
            ClampedPixels(twips[3], dpi, 0)};
}

PixelRect FitOntoWorkAreas(const PixelRect& wanted, const std::vector<RECT>& workAreas,
                           SIZE minimum) {
    if (workAreas.empty()) return wanted;
    const bool bigEnough = wanted.width >= minimum.cx && wanted.height >= minimum.cy;
    if (bigEnough && std::any_of(workAreas.begin(), workAreas.end(),
                                 [&](const RECT& area) { return Reachable(wanted, area); }))
        return wanted;

    const RECT& area = *std::min_element(
        workAreas.begin(), workAreas.end(),
        [&](const RECT& a, const RECT& b) { return Distance(wanted, a) < Distance(wanted, b); });
    const int areaWidth = static_cast<int>(area.right - area.left);
    const int areaHeight = static_cast<int>(area.bottom - area.top);
    PixelRect fitted = wanted;
    fitted.width = std::min<int>(std::max<int>(wanted.width, minimum.cx), areaWidth);
    fitted.height = std::min<int>(std::max<int>(wanted.height, minimum.cy), areaHeight);
    fitted.left = PlaceWithin(wanted.left, fitted.width, area.left, area.right);
    fitted.top = PlaceWithin(wanted.top, fitted.height, area.top, area.bottom);
    return fitted;
}

std::vector<RECT> MonitorWorkAreas() {
    std::vector<RECT> areas;
    EnumDisplayMonitors(nullptr, nullptr, &CollectWorkArea, reinterpret_cast<LPARAM>(&areas));
    return areas;
}

SIZE UsableFrameSize(HWND window, int dpi) {
    RECT frame{0, 0, TwipsToPixels(kUsableClientWidthTwips, dpi),
               TwipsToPixels(kUsableClientHeightTwips, dpi)};
    AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongW(window, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongW(window, GWL_EXSTYLE)));
    return {frame.right - frame.left, frame.bottom - frame.top};
}

PixelRect FrameOf(HWND window) {
    RECT frame{};
    GetWindowRect(window, &frame);
    return {frame.left, frame.top, frame.right - frame.left, frame.bottom - frame.top};
}

std::array<double, 4> TwipsToStore(const ShownPlacement& placement, const PixelRect& now, int dpi) {
    const int shown[4] = {placement.shown.left, placement.shown.top, placement.shown.width,
                          placement.shown.height};
    const int current[4] = {now.left, now.top, now.width, now.height};
    const PixelRect stored = PlacementPixels(placement.storedTwips, dpi);
    const int storedPixels[4] = {stored.left, stored.top, stored.width, stored.height};
    std::array<double, 4> twips{};
    for (int i = 0; i < 4; ++i) {
        const bool untouched = current[i] == shown[i] && shown[i] == storedPixels[i] &&
                               std::isfinite(placement.storedTwips[i]);
        twips[i] = untouched ? placement.storedTwips[i] : PixelsToTwips(current[i], dpi);
    }
    return twips;
}

}  // namespace pagelens

#include "components/snapshot/view_capture/tile_checks.h"

#include <algorithm>

namespace pagelens::capture {
namespace {

constexpr uint32_t kColour = 0x00FFFFFFu;
constexpr long long kChangedShareAllowed = 32;  // one pixel in this many

bool InAny(std::span<const RECT> masks, int x, int y) {
    return std::any_of(masks.begin(), masks.end(), [x, y](const RECT& r) {
        return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
    });
}

bool NearbyEquals(const TilePixels& tile, int tx, int ty, uint32_t want) {
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) {
            const int x = tx + dx, y = ty + dy;
            if (x >= 0 && y >= 0 && x < tile.width && y < tile.height &&
                (tile.at(x, y) & kColour) == want)
                return true;
        }
    return false;
}

}  // namespace

SeamCount CompareSeam(const Image& image, const RECT& area, const TilePixels& tile, POINT origin,
                      std::span<const RECT> masks) {
    SeamCount count;
    const int top = std::max<int>({area.top, 0, origin.y});
    const int bottom = std::min<int>({area.bottom, image.height(), origin.y + tile.height});
    const int left = std::max<int>({area.left, 0, origin.x});
    const int right = std::min<int>({area.right, image.width(), origin.x + tile.width});
    for (int y = top; y < bottom; ++y) {
        const uint32_t* row = image.row(y);
        for (int x = left; x < right; ++x) {
            if (!masks.empty() && InAny(masks, x, y)) continue;
            ++count.compared;
            const uint32_t want = row[x] & kColour;
            const int tx = x - origin.x, ty = y - origin.y;
            if ((tile.at(tx, ty) & kColour) != want && !NearbyEquals(tile, tx, ty, want))
                ++count.changed;
        }
    }
    return count;
}

bool SeamAgrees(const SeamCount& count) {
    return count.changed * kChangedShareAllowed <= count.compared;
}

std::optional<uint32_t> SoleColour(const TilePixels& tile, const RECT& area) {
    const int top = std::max<int>(area.top, 0), bottom = std::min<int>(area.bottom, tile.height);
    const int left = std::max<int>(area.left, 0), right = std::min<int>(area.right, tile.width);
    if (top >= bottom || left >= right) return std::nullopt;
    const uint32_t first = tile.at(left, top) & kColour;
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x)
            if ((tile.at(x, y) & kColour) != first) return std::nullopt;
    return first;
}

}  // namespace pagelens::capture

// Whether a tile's drawing can be trusted, from its pixels alone: rows that two tiles share must
// agree (a drawing that does not follow the scroll position shows other rows there), and a
// first tile of one colour is worth a look at the window itself. Pure logic on 32-bit pixels
// (0x??RRGGBB; the top byte, which GDI does not keep, is ignored).
#pragma once
#include <windows.h>

#include <cstdint>
#include <optional>
#include <span>

#include "imaging/image.h"

namespace pagelens::capture {

// Pixels of a tile: `width` x `height`, top-down rows without padding.
struct TilePixels {
    const uint32_t* bits = nullptr;
    int width = 0;
    int height = 0;
    uint32_t at(int x, int y) const { return bits[static_cast<size_t>(y) * width + x]; }
};

struct SeamCount {
    long long compared = 0;
    long long changed = 0;
};

// Compares `area` of the image (what earlier tiles put there) with the same page pixels of
// `tile`, whose pixel (0, 0) lies at `origin` of the image. Pixels inside `masks` (image
// coordinates: where elements of fixed position stood in the first tile) are left out. A pixel
// agrees when it equals the tile's at its place or at a neighbour of it: at a zoom, a scroll
// position lands within a device pixel of where it was asked to.
SeamCount CompareSeam(const Image& image, const RECT& area, const TilePixels& tile, POINT origin,
                      std::span<const RECT> masks = {});

// A small share of changed pixels, such as an animation's, is allowed.
bool SeamAgrees(const SeamCount& count);

// The one colour of `area` of the tile, if it has only one.
std::optional<uint32_t> SoleColour(const TilePixels& tile, const RECT& area);

}  // namespace pagelens::capture

// Whether a page image is colour, gray or only black and white, found in one cheap pass, and the
// packing of its rows into the layouts the writers hand on: 8-bit gray and 1-bit rows for images
// that can be stored that way without changing a pixel, and 24-bit rows for bitmaps.
#pragma once
#include <cstdint>

#include "imaging/image.h"

namespace pagelens {

enum class ImageTone { Color, Gray, BlackAndWhite };

struct ToneSummary {
    ImageTone tone = ImageTone::Color;
    bool opaque = true;  // every alpha is 0xFF
};

// Gray and BlackAndWhite are answered only for opaque images (indexed files drop alpha).
ToneSummary SummarizeTone(const Image& image);

// Bytes per row of an indexed bitmap, rounded up to whole 32-bit words.
inline int IndexedStride(int width, int bitsPerPixel) {
    return int((int64_t(width) * bitsPerPixel + 31) / 32 * 4);
}
// One byte per pixel, the gray level. For an image whose channels are equal.
void PackGray(const Image& image, uint8_t* rows, int stride);
// One bit per pixel, most significant first, 1 for white. For a black-and-white image.
void PackBlackAndWhite(const Image& image, uint8_t* rows, int stride);
// One row of `count` pixels as B, G, R bytes (a 24-bit DIB row), zero-padded to `stride` bytes.
void PackBgrRow(const uint32_t* pixels, int count, uint8_t* out, int stride);

}  // namespace pagelens

// Whether a page image is colour, gray or only black and white, found in one cheap pass, and the
// packing of gray and black-and-white images into 8-bit and 1-bit rows for the writers that can
// store them that way without changing a pixel.
#pragma once
#include <cstdint>

#include "components/viewer/image.h"

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

}  // namespace pagelens

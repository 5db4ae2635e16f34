// Allocation and copying of page images. An Image owns its pixel buffer alone; a failed
// allocation leaves an empty image (0 x 0) for the caller to report, never an exception.
#include "imaging/image.h"

#include <cstddef>
#include <cstring>
#include <limits>
#include <new>

namespace pagelens {

Image::Image(int width, int height) {
    if (width <= 0 || height <= 0) return;
    // The buffer goes to GDI and GDI+ as it is, which take its size and stride as 32-bit ints:
    // past 2 GiB an image is too large in either build. A 64-bit process could often allocate
    // more, and would then spend minutes filling gigabytes of the tab's memory.
    constexpr size_t kLargest = std::numeric_limits<int32_t>::max() / sizeof(uint32_t);
    if (static_cast<size_t>(width) > kLargest / static_cast<size_t>(height)) return;
    pixels_.reset(new (std::nothrow) uint32_t[static_cast<size_t>(width) * height]);
    if (!pixels_) return;
    width_ = width;
    height_ = height;
}

Image Image::clone() const {
    if (empty()) return Image();
    Image copy(width_, height_);
    if (!copy.empty()) std::memcpy(copy.pixels(), pixels(), pixelCount() * sizeof(uint32_t));
    return copy;
}

}  // namespace pagelens

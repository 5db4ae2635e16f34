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
    // Beyond PTRDIFF_MAX bytes new[] throws even in its nothrow form (and a 32-bit size_t
    // would wrap): such sizes are simply too large.
    constexpr size_t kLargest = std::numeric_limits<ptrdiff_t>::max() / sizeof(uint32_t);
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

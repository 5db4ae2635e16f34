// Allocation and copying of page images. An Image owns its pixel buffer alone; a failed
// allocation leaves an empty image (0 x 0) for the caller to report, never an exception.
#include "components/viewer/image.h"

#include <cstring>
#include <limits>
#include <new>

namespace pagelens {

Image::Image(int width, int height) {
    if (width <= 0 || height <= 0) return;
    // A 32-bit size_t overflows at 1 G pixels; refuse rather than allocate a wrapped size.
    if (static_cast<size_t>(width) > std::numeric_limits<size_t>::max() / sizeof(uint32_t) /
                                          static_cast<size_t>(height))
        return;
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

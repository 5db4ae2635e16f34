#include "components/snapshot/band_image.h"

#include <algorithm>
#include <memory>

#include "components/snapshot/capture_failure.h"

// Our own static copy, PNG only: the viewer holds none of stb_image's decoder.
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#define STBI_NO_STDIO
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#endif
#include <stb/stb_image.h>
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

namespace pagelens::capture {
namespace {

struct StbFree {
    void operator()(unsigned char* pixels) const { stbi_image_free(pixels); }
};

constexpr uint32_t kWhite = 0xFFFFFFFFu;

}  // namespace

Status PlaceBand(std::string_view png, int top, int rows, Image& image) {
    if (top < 0 || rows < 0 || top + rows > image.height())
        return Failed(L"A captured band lies outside the page image");
    int width = 0, height = 0, channels = 0;
    std::unique_ptr<unsigned char, StbFree> rgba(
        stbi_load_from_memory(reinterpret_cast<const stbi_uc*>(png.data()),
                              static_cast<int>(png.size()), &width, &height, &channels, 4));
    if (!rgba) return Failed(L"The capture browser sent a band that is not a PNG image");

    const int copyWidth = std::min(width, image.width());
    const int copyRows = std::min(height, rows);
    for (int y = 0; y < rows; ++y) {
        uint32_t* target = image.row(top + y);
        int x = 0;
        if (y < copyRows) {
            const unsigned char* source = rgba.get() + static_cast<size_t>(y) * width * 4;
            for (; x < copyWidth; ++x, source += 4)
                target[x] = uint32_t(source[3]) << 24 | uint32_t(source[0]) << 16 |
                            uint32_t(source[1]) << 8 | source[2];
        }
        std::fill(target + x, target + image.width(), kWhite);
    }
    return {};
}

}  // namespace pagelens::capture

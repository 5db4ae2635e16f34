#include "imaging/stb_decoder.h"

#include <climits>
#include <cstring>

#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_JPEG
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

namespace pagelens {

void StbFree::operator()(unsigned char* pixels) const { stbi_image_free(pixels); }

DecodedRgba DecodeToRgba(const void* bytes, size_t size) {
    DecodedRgba decoded;
    if (size > INT_MAX) return decoded;
    int channels = 0;
    decoded.rgba.reset(stbi_load_from_memory(static_cast<const stbi_uc*>(bytes),
                                             static_cast<int>(size), &decoded.width,
                                             &decoded.height, &channels, STBI_rgb_alpha));
    if (!decoded.rgba) {
        decoded.outOfMemory = std::strcmp(stbi_failure_reason(), "outofmem") == 0;
        decoded.width = decoded.height = 0;
    }
    return decoded;
}

}  // namespace pagelens

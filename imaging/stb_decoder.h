// The program's one copy of stb_image, for JPEG and PNG: the picture viewer loads files with it
// and the capture decodes the browser's less common PNG forms with it.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>

namespace pagelens {

struct StbFree {
    void operator()(unsigned char* pixels) const;
};
using StbPixels = std::unique_ptr<unsigned char, StbFree>;

struct DecodedRgba {
    StbPixels rgba;  // width * height * 4 bytes, R G B A; empty when the bytes did not decode
    int width = 0;
    int height = 0;
    bool outOfMemory = false;
};

DecodedRgba DecodeToRgba(const void* bytes, size_t size);

}  // namespace pagelens

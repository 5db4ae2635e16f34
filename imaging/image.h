// A page image in memory: 32-bit pixels, top-down rows, no padding. Each pixel is a DWORD
// 0xAARRGGBB (bytes B, G, R, A in memory), which is what GDI's 32-bit DIBs and GDI+'s
// PixelFormat32bppARGB use, so the buffer goes to StretchDIBits and GDI+ without a copy.
#pragma once
#include <cstdint>
#include <memory>

namespace pagelens {

class Image {
public:
    Image() = default;
    // Allocates without clearing: every caller writes every pixel. Empty on a failed allocation.
    Image(int width, int height);

    int width() const { return width_; }
    int height() const { return height_; }
    bool empty() const { return !pixels_; }
    uint32_t* pixels() { return pixels_.get(); }
    const uint32_t* pixels() const { return pixels_.get(); }
    uint32_t* row(int y) { return pixels_.get() + static_cast<size_t>(y) * width_; }
    const uint32_t* row(int y) const { return pixels_.get() + static_cast<size_t>(y) * width_; }
    size_t pixelCount() const { return static_cast<size_t>(width_) * height_; }
    Image clone() const;

private:
    int width_ = 0;
    int height_ = 0;
    std::unique_ptr<uint32_t[]> pixels_;
};

inline uint32_t PackPixel(uint8_t r, uint8_t g, uint8_t b) {
    return 0xFF000000u | (uint32_t(r) << 16) | (uint32_t(g) << 8) | b;
}
inline uint8_t RedOf(uint32_t p) { return uint8_t(p >> 16); }
inline uint8_t GreenOf(uint32_t p) { return uint8_t(p >> 8); }
inline uint8_t BlueOf(uint32_t p) { return uint8_t(p); }

}  // namespace pagelens

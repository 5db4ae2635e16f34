// Tone of a page image and the packings of its rows; see image_save_tone.h.
#include "imaging/image_save_tone.h"

#include <cstring>

namespace pagelens {

ToneSummary SummarizeTone(const Image& image) {
    // Branch-free accumulation over the whole buffer: a few milliseconds for a page image.
    uint32_t alphaAll = 0xFF000000u;
    uint32_t channelsDiffer = 0;
    uint32_t notBlackOrWhite = 0;
    const uint32_t* p = image.pixels();
    const size_t count = image.pixelCount();
    for (size_t i = 0; i < count; ++i) {
        const uint32_t v = p[i];
        alphaAll &= v;
        channelsDiffer |= (v ^ (v >> 8)) & 0xFFFFu;
        const uint32_t rgb = v & 0xFFFFFFu;
        notBlackOrWhite |= uint32_t(rgb != 0 && rgb != 0xFFFFFFu);
    }
    ToneSummary summary;
    summary.opaque = alphaAll == 0xFF000000u;
    if (!summary.opaque || channelsDiffer) return summary;
    summary.tone = notBlackOrWhite ? ImageTone::Gray : ImageTone::BlackAndWhite;
    return summary;
}

void PackGray(const Image& image, uint8_t* rows, int stride) {
    for (int y = 0; y < image.height(); ++y) {
        const uint32_t* in = image.row(y);
        uint8_t* out = rows + size_t(y) * stride;
        for (int x = 0; x < image.width(); ++x) out[x] = BlueOf(in[x]);
        std::memset(out + image.width(), 0, stride - image.width());
    }
}

void PackBlackAndWhite(const Image& image, uint8_t* rows, int stride) {
    for (int y = 0; y < image.height(); ++y) {
        const uint32_t* in = image.row(y);
        uint8_t* out = rows + size_t(y) * stride;
        std::memset(out, 0, stride);
        for (int x = 0; x < image.width(); ++x)
            if (in[x] & 0xFF) out[x >> 3] |= uint8_t(0x80u >> (x & 7));
    }
}

void PackBgrRow(const uint32_t* pixels, int count, uint8_t* out, int stride) {
    for (int x = 0; x < count; ++x, out += 3) {
        out[0] = BlueOf(pixels[x]);
        out[1] = GreenOf(pixels[x]);
        out[2] = RedOf(pixels[x]);
    }
    std::memset(out, 0, size_t(stride - count * 3));
}

}  // namespace pagelens

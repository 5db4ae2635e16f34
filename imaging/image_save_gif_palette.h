// The colours of a GIF file chosen for one image, and the mapping of its pixels onto them. An
// image with at most 256 colours keeps them exactly; any other gets 256 colours by median cut
// over a histogram of 5 bits per channel, each histogram cell mapped to its nearest palette
// colour through a lookup table. No dithering: page text stays crisp. Alpha is ignored.
#pragma once
#include <cstdint>
#include <vector>

#include "common/run_error.h"
#include "imaging/image.h"

namespace pagelens {

class GifPalette {
public:
    static Result<GifPalette> Choose(const Image& image);

    // At most 256 entries, 0x00RRGGBB.
    const std::vector<uint32_t>& colors() const { return colors_; }
    void mapRow(const uint32_t* row, int width, uint8_t* indices) const;

    // Open-addressed table of the exact colours: a power of two, at most half full.
    static constexpr uint32_t kExactSlots = 1024;
    static constexpr uint32_t kNoColor = 0xFFFFFFFFu;  // never an 0x00RRGGBB key

private:
    void mapExact(const uint32_t* row, int width, uint8_t* indices) const;
    void mapByCell(const uint32_t* row, int width, uint8_t* indices) const;

    std::vector<uint32_t> colors_;
    std::vector<uint32_t> exactKeys_;  // kExactSlots colours, or empty
    std::vector<uint8_t> exactIndex_;  // palette index of each slot
    std::vector<uint8_t> cellIndex_;   // 32768 histogram cells -> index, or empty
};

}  // namespace pagelens

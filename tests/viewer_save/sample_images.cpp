// Known images for the writer tests; see sample_images.h.
#include "tests/viewer_save/sample_images.h"

#include <algorithm>
#include <cstdlib>

namespace pagelens::test {
namespace {

uint32_t ColorAt(int x, int y) {
    // Blocks of saturated colour, a text-like black pattern and a smooth gradient band.
    if ((x / 3 + y / 2) % 7 == 0) return PackPixel(0, 0, 0);
    if (y % 16 < 8) {
        static const uint32_t blocks[] = {PackPixel(255, 0, 0), PackPixel(0, 160, 0),
                                          PackPixel(0, 0, 255), PackPixel(255, 255, 255),
                                          PackPixel(250, 200, 30)};
        return blocks[(x / 5) % 5];
    }
    return PackPixel(uint8_t(x * 7), uint8_t(y * 5), uint8_t((x + y) * 3));
}

uint32_t GrayAt(int x, int y) {
    const uint8_t v = uint8_t((x * 11 + y * 17) % 256);
    return PackPixel(v, v, v);
}

uint32_t BlackAndWhiteAt(int x, int y) {
    return ((x * x + y * 3) % 5 < 2) ? PackPixel(0, 0, 0) : PackPixel(255, 255, 255);
}

uint32_t FewColorsAt(int x, int y) {
    // 200 distinct colours: fits a GIF palette exactly.
    const int i = (x + y * 13) % 200;
    return PackPixel(uint8_t(i), uint8_t(255 - i), uint8_t((i * 37) % 256));
}

uint32_t GradientAt(int x, int y, int width, int height) {
    return PackPixel(uint8_t(x * 255 / std::max(1, width - 1)),
                     uint8_t(y * 255 / std::max(1, height - 1)), 128);
}

}  // namespace

Image MakeSample(Sample kind, int width, int height) {
    Image image(width, height);
    for (int y = 0; y < height; ++y) {
        uint32_t* row = image.row(y);
        for (int x = 0; x < width; ++x) {
            switch (kind) {
                case Sample::Color:
                    row[x] = ColorAt(x, y);
                    break;
                case Sample::Gray:
                    row[x] = GrayAt(x, y);
                    break;
                case Sample::BlackAndWhite:
                    row[x] = BlackAndWhiteAt(x, y);
                    break;
                case Sample::FewColors:
                    row[x] = FewColorsAt(x, y);
                    break;
                case Sample::Gradient:
                    row[x] = GradientAt(x, y, width, height);
                    break;
            }
        }
    }
    return image;
}

std::string SampleName(Sample kind) {
    switch (kind) {
        case Sample::Color:
            return "color";
        case Sample::Gray:
            return "gray";
        case Sample::BlackAndWhite:
            return "black-and-white";
        case Sample::FewColors:
            return "few-colors";
        case Sample::Gradient:
            return "gradient";
    }
    return "?";
}

int LargestDifference(const Image& a, const Image& b) {
    if (a.width() != b.width() || a.height() != b.height()) return -1;
    int largest = 0;
    for (size_t i = 0; i < a.pixelCount(); ++i) {
        const uint32_t p = a.pixels()[i], q = b.pixels()[i];
        largest = std::max({largest, std::abs(RedOf(p) - RedOf(q)),
                            std::abs(GreenOf(p) - GreenOf(q)), std::abs(BlueOf(p) - BlueOf(q))});
    }
    return largest;
}

double MeanDifference(const Image& a, const Image& b) {
    if (a.width() != b.width() || a.height() != b.height() || a.empty()) return 1e9;
    double sum = 0;
    for (size_t i = 0; i < a.pixelCount(); ++i) {
        const uint32_t p = a.pixels()[i], q = b.pixels()[i];
        sum += std::abs(RedOf(p) - RedOf(q)) + std::abs(GreenOf(p) - GreenOf(q)) +
               std::abs(BlueOf(p) - BlueOf(q));
    }
    return sum / (3.0 * a.pixelCount());
}

}  // namespace pagelens::test

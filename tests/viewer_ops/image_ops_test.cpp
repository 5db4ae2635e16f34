// The transforms on small images with known pixels: gray levels of pure colours, black and
// white that keeps text readable, and resizing that keeps colours where they were and in the
// same proportions.
#include "components/viewer/image_ops.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <set>

namespace pagelens {
namespace {

Image Filled(int width, int height, const std::function<uint32_t(int x, int y)>& colour) {
    Image image(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) image.row(y)[x] = colour(x, y);
    return image;
}

Image Solid(int width, int height, uint32_t colour) {
    return Filled(width, height, [=](int, int) { return colour; });
}

// Rectangles standing for the words of lines of text, on a background.
Image Page(uint32_t background, uint32_t text) {
    return Filled(200, 100, [=](int x, int y) {
        const bool inLine = (y % 20) >= 8 && (y % 20) < 14;
        const bool inWord = (x % 30) >= 4 && (x % 30) < 26;
        return inLine && inWord && x < 170 ? text : background;
    });
}

TEST(ConvertToGray, GivesBt601LuminanceInAllThreeChannels) {
    struct Case {
        uint32_t colour, gray;
    } cases[] = {
        {PackPixel(255, 0, 0), 76},   // 76.245
        {PackPixel(0, 255, 0), 150},  // 149.685
        {PackPixel(0, 0, 255), 29},   // 29.07
        {PackPixel(255, 255, 255), 255},
        {PackPixel(0, 0, 0), 0},
        {PackPixel(128, 64, 32), 79},  // 79.488
        {PackPixel(0, 0, 250), 29},    // 28.5 rounds up
        {PackPixel(1, 0, 1), 0},       // 0.413
        {PackPixel(2, 0, 0), 1},       // 0.598
        {0x80FFFFFF, 255},             // alpha is kept
    };
    for (const auto& c : cases) {
        Image image = Solid(3, 2, c.colour);
        ConvertToGray(image);
        const uint32_t expected = (c.colour & 0xFF000000u) | c.gray * 0x010101u;
        for (size_t i = 0; i < image.pixelCount(); ++i)
            ASSERT_EQ(image.pixels()[i], expected) << std::hex << c.colour;
    }
}

TEST(ConvertToBlackAndWhite, LeavesOnlyBlackAndWhite) {
    Image photo = Filled(64, 64, [](int x, int y) { return PackPixel(x * 4, y * 4, (x + y) * 2); });
    ConvertToBlackAndWhite(photo);
    std::set<uint32_t> values(photo.pixels(), photo.pixels() + photo.pixelCount());
    EXPECT_EQ(values, (std::set<uint32_t>{0xFF000000u, 0xFFFFFFFFu}));
}

TEST(ConvertToBlackAndWhite, KeepsTextReadableOnItsBackground) {
    struct Case {
        const char* what;
        uint32_t background, text;
        bool textBecomesBlack;
    } cases[] = {
        {"black on white", PackPixel(255, 255, 255), PackPixel(0, 0, 0), true},
        {"light gray on white", PackPixel(255, 255, 255), PackPixel(170, 170, 170), true},
        {"navy on pale yellow", PackPixel(255, 255, 200), PackPixel(0, 0, 128), true},
        {"dark gray on mid gray", PackPixel(150, 150, 150), PackPixel(60, 60, 60), true},
        {"mid gray on black", PackPixel(0, 0, 0), PackPixel(100, 100, 100), false},
        {"white on dark blue", PackPixel(20, 30, 90), PackPixel(255, 255, 255), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Image page = Page(c.background, c.text);
        const Image before = page.clone();
        ConvertToBlackAndWhite(page);
        const uint32_t black = 0xFF000000u, white = 0xFFFFFFFFu;
        const uint32_t textBecomes = c.textBecomesBlack ? black : white;
        const uint32_t backgroundBecomes = c.textBecomesBlack ? white : black;
        for (size_t i = 0; i < page.pixelCount(); ++i) {
            const bool isText = before.pixels()[i] == c.text;
            ASSERT_EQ(page.pixels()[i], isText ? textBecomes : backgroundBecomes) << i;
        }
    }
}

TEST(ConvertToBlackAndWhite, OneShadeImagesFollowTheirShade) {
    for (auto [colour, expected] :
         {std::pair{PackPixel(255, 255, 255), 0xFFFFFFFFu},
          std::pair{PackPixel(0, 0, 0), 0xFF000000u}, std::pair{PackPixel(30, 30, 30), 0xFF000000u},
          std::pair{PackPixel(230, 230, 230), 0xFFFFFFFFu}}) {
        Image image = Solid(5, 5, colour);
        ConvertToBlackAndWhite(image);
        EXPECT_EQ(image.pixels()[12], expected) << std::hex << colour;
    }
}

// Sums of each channel over the whole image, in pixel units (255 = one full pixel).
struct ChannelTotals {
    double red = 0, green = 0, blue = 0;
};
ChannelTotals Totals(const Image& image) {
    ChannelTotals totals;
    for (size_t i = 0; i < image.pixelCount(); ++i) {
        totals.red += RedOf(image.pixels()[i]) / 255.0;
        totals.green += GreenOf(image.pixels()[i]) / 255.0;
        totals.blue += BlueOf(image.pixels()[i]) / 255.0;
    }
    return totals;
}

TEST(ResizeImage, KeepsTheProportionsOfATwoColourImage) {
    const Image source = Filled(
        40, 10, [](int x, int) { return x < 20 ? PackPixel(255, 0, 0) : PackPixel(0, 0, 255); });
    const std::pair<int, int> sizes[] = {{20, 5}, {10, 3},  {7, 3},  {3, 7},  {1, 1},  {100, 25},
                                         {33, 7}, {41, 10}, {40, 1}, {1, 40}, {200, 2}};
    for (auto [width, height] : sizes) {
        SCOPED_TRACE(::testing::Message() << width << "x" << height);
        auto result = ResizeImage(source, width, height);
        ASSERT_TRUE(result.ok());
        const Image& image = *result;
        ASSERT_EQ(image.width(), width);
        ASSERT_EQ(image.height(), height);
        const ChannelTotals totals = Totals(image);
        const double pixels = double(width) * height;
        // Half of the area stays red and half blue; nothing else appears.
        EXPECT_NEAR(totals.red / pixels, 0.5, 0.5 / width + 0.01);
        EXPECT_NEAR(totals.blue / pixels, 0.5, 0.5 / width + 0.01);
        EXPECT_EQ(totals.green, 0);
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                const uint32_t p = image.row(y)[x], mirror = image.row(y)[width - 1 - x];
                ASSERT_EQ(RedOf(p), BlueOf(mirror)) << x << "," << y;        // left-right symmetric
                ASSERT_NEAR(RedOf(p) + BlueOf(p), 255, 1) << x << "," << y;  // 127.5 + 127.5
                ASSERT_EQ(p >> 24, 0xFFu);
                if ((x + 1) * 2 <= width) {
                    EXPECT_GT(RedOf(p), BlueOf(p)) << x << "," << y;  // red stays on the left
                }
            }
        }
    }
}

TEST(ResizeImage, ShrinkingAveragesTheCoveredArea) {
    // Gray levels, one row: what each output pixel covers, worked out by hand.
    struct Case {
        std::vector<int> source;
        std::vector<int> expected;
    } cases[] = {
        {{0, 100, 200, 255}, {50, 228}},       // two whole pixels each (227.5 rounds up)
        {{30, 60, 90}, {40, 80}},              // 2/3 + 1/3 shares: 40, 80
        {{0, 90, 30, 60, 0, 60}, {40}},        // the mean
        {{10, 20, 30, 40, 50}, {14, 30, 46}},  // 5/3 pixels each
    };
    for (const auto& c : cases) {
        const int n = static_cast<int>(c.source.size());
        const Image source = Filled(
            n, 1, [&](int x, int) { return PackPixel(c.source[x], c.source[x], c.source[x]); });
        auto wide = ResizeImage(source, static_cast<int>(c.expected.size()), 1);
        ASSERT_TRUE(wide.ok());
        // The same along the other axis.
        const Image column = Filled(
            1, n, [&](int, int y) { return PackPixel(c.source[y], c.source[y], c.source[y]); });
        auto tall = ResizeImage(column, 1, static_cast<int>(c.expected.size()));
        ASSERT_TRUE(tall.ok());
        for (size_t i = 0; i < c.expected.size(); ++i) {
            EXPECT_EQ(wide->pixels()[i], PackPixel(c.expected[i], c.expected[i], c.expected[i]))
                << n << " -> " << c.expected.size() << " at " << i;
            EXPECT_EQ(tall->pixels()[i], wide->pixels()[i]);
        }
    }
}

TEST(ResizeImage, EnlargingInterpolatesBetweenPixelCentres) {
    const Image source =
        Filled(2, 1, [](int x, int) { return x ? PackPixel(255, 255, 255) : PackPixel(0, 0, 0); });
    auto result = ResizeImage(source, 4, 3);
    ASSERT_TRUE(result.ok());
    // Centres at -0.25, 0.25, 0.75, 1.25 source pixels; the ends are clamped.
    const int expected[4] = {0, 64, 191, 255};
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(result->row(y)[x], PackPixel(expected[x], expected[x], expected[x])) << x;
}

TEST(ResizeImage, OneColourStaysExactlyThatColour) {
    const uint32_t colour = 0xC0136FE9;
    const std::pair<int, int> sources[] = {{1, 1}, {1, 3000}, {3000, 1}, {37, 23}};
    const std::pair<int, int> targets[] = {{1, 1}, {2, 1}, {1, 777}, {5000, 2}, {19, 41}, {36, 22}};
    for (auto [sw, sh] : sources) {
        const Image source = Solid(sw, sh, colour);
        for (auto [tw, th] : targets) {
            auto result = ResizeImage(source, tw, th);
            ASSERT_TRUE(result.ok());
            ASSERT_EQ(result->width(), tw);
            ASSERT_EQ(result->height(), th);
            for (size_t i = 0; i < result->pixelCount(); ++i)
                ASSERT_EQ(result->pixels()[i], colour)
                    << sw << "x" << sh << " -> " << tw << "x" << th << " at " << i;
        }
    }
}

TEST(ResizeImage, SameSizeIsAnIdenticalCopy) {
    const Image source =
        Filled(13, 7, [](int x, int y) { return PackPixel(x * 19, y * 37, x * y); });
    auto result = ResizeImage(source, 13, 7);
    ASSERT_TRUE(result.ok());
    EXPECT_NE(result->pixels(), source.pixels());
    EXPECT_TRUE(
        std::equal(source.pixels(), source.pixels() + source.pixelCount(), result->pixels()));
}

TEST(ResizeImage, RefusesSizesBelowOneAndMissingImages) {
    const Image source = Solid(4, 4, PackPixel(1, 2, 3));
    const std::pair<int, int> sizes[] = {{0, 0}, {0, 5}, {5, 0}, {-1, 5}, {5, -7}, {INT_MIN, 1}};
    for (auto [width, height] : sizes) {
        auto result = ResizeImage(source, width, height);
        ASSERT_FALSE(result.ok()) << width << "x" << height;
        EXPECT_EQ(result.error().number, 5);
    }
    EXPECT_FALSE(ResizeImage(Image(), 3, 3).ok());
}

TEST(ResizeImage, ReportsSizesThatDoNotFitInMemory) {
    const Image source = Solid(4, 4, PackPixel(1, 2, 3));
    for (auto [width, height] :
         {std::pair{INT_MAX, INT_MAX}, std::pair{65536, 65536}, std::pair{30000, 30000}}) {
        auto result = ResizeImage(source, width, height);
        ASSERT_FALSE(result.ok()) << width << "x" << height;
        EXPECT_EQ(result.error().number, 7);
    }
}

TEST(Transforms, ATallPageFitsThroughEveryTransform) {
    // 1280 x 16384 is the tallest page the capture makes; 32-bit address space is the limit.
    Image page = Filled(1280, 16384, [](int x, int y) {
        return (y % 24) < 12 && (x % 40) < 30 ? PackPixel(20, 20, 20) : PackPixel(250, 250, 245);
    });
    ASSERT_FALSE(page.empty());
    auto half = ResizeImage(page, 640, 8192);
    ASSERT_TRUE(half.ok());
    auto larger = ResizeImage(page, 1920, 24576);
    ASSERT_TRUE(larger.ok());
    ConvertToGray(page);
    ConvertToBlackAndWhite(page);
    EXPECT_EQ(page.row(0)[0], 0xFF000000u);
    EXPECT_EQ(page.row(12)[0], 0xFFFFFFFFu);
}

}  // namespace
}  // namespace pagelens

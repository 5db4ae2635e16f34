// Captured bands into the page image: PNGs as the browser sends them (8-bit RGB or RGBA, image
// data over many chunks), each of the five row filters, other forms of PNG, bands of another
// size than asked, rows readied ahead of their band, and broken data, which fails without
// touching memory it must not.
#include "components/snapshot/devtools_capture/band_image.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STBI_WRITE_NO_STDIO
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#endif
#include <stb/stb_image_write.h>
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

namespace pagelens::capture {
namespace {

constexpr uint32_t kWhite = 0xFFFFFFFFu;

// Colours that vary along and across the rows, with an alpha that does too, and patches of one
// colour, where the filters' predictions tie.
std::vector<unsigned char> Pixels(int width, int height, int channels) {
    std::vector<unsigned char> pixels(size_t(width) * height * channels);
    for (int y = 0, k = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < channels; ++c, ++k)
                pixels[k] = static_cast<unsigned char>(
                    (x / 4 + y / 3) % 3 == 0 ? 40 * c + (x / 4) * 9
                                             : x * (7 + c) + y * (13 - 3 * c) + (x * y) % (5 + c));
    return pixels;
}

uint32_t Expected(const std::vector<unsigned char>& pixels, int width, int channels, int x, int y) {
    const unsigned char* p = pixels.data() + (size_t(y) * width + x) * channels;
    if (channels == 1) return 0xFF000000u | uint32_t(p[0]) * 0x010101u;
    const uint32_t alpha = channels == 4 ? p[3] : 0xFF;
    return alpha << 24 | uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
}

std::string Png(const std::vector<unsigned char>& pixels, int width, int height, int channels,
                int filter = -1) {
    stbi_write_force_png_filter = filter;
    int size = 0;
    unsigned char* png =
        stbi_write_png_to_mem(pixels.data(), width * channels, width, height, channels, &size);
    stbi_write_force_png_filter = -1;
    std::string bytes(reinterpret_cast<const char*>(png), size_t(size));
    STBIW_FREE(png);
    return bytes;
}

uint32_t BigEndian32(const std::string& bytes, size_t at) {
    return uint32_t(uint8_t(bytes[at])) << 24 | uint32_t(uint8_t(bytes[at + 1])) << 16 |
           uint32_t(uint8_t(bytes[at + 2])) << 8 | uint8_t(bytes[at + 3]);
}

std::string Chunk(const std::string& type, std::string_view data) {
    std::string chunk;
    for (int shift : {24, 16, 8, 0}) chunk += static_cast<char>((data.size() >> shift) & 0xFF);
    return chunk + type + std::string(data) + std::string(4, '\0');  // the CRC is not read
}

// The same PNG with its image data spread over chunks of at most `piece` bytes, as the
// browser's encoder writes them.
std::string SplitImageData(const std::string& png, size_t piece) {
    std::string out = png.substr(0, 8), data;
    std::string tail;
    for (size_t at = 8; at + 12 <= png.size();) {
        const size_t length = BigEndian32(png, at);
        const std::string type = png.substr(at + 4, 4);
        if (type == "IDAT")
            data += png.substr(at + 8, length);
        else if (type == "IEND")
            tail = png.substr(at, length + 12);
        else
            out += png.substr(at, length + 12);
        at += length + 12;
    }
    for (size_t at = 0; at < data.size(); at += piece)
        out += Chunk("IDAT", std::string_view(data).substr(at, piece));
    return out + tail;
}

void ExpectPlaced(const Image& image, const std::vector<unsigned char>& pixels, int width,
                  int height, int channels, int top) {
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            ASSERT_EQ(image.row(top + y)[x], Expected(pixels, width, channels, x, y))
                << "at " << x << "," << y;
}

TEST(PlaceBand, EveryRowFilterOfRgbAndRgbaOverManyChunks) {
    const int width = 37, height = 23;
    for (int channels : {3, 4})
        for (int filter : {-1, 0, 1, 2, 3, 4}) {
            SCOPED_TRACE(testing::Message() << channels << " channels, filter " << filter);
            const auto pixels = Pixels(width, height, channels);
            const std::string png = SplitImageData(Png(pixels, width, height, channels, filter), 7);
            Image image(width, 40);
            ASSERT_TRUE(PlaceBand(png, 10, height, image).ok());
            ExpectPlaced(image, pixels, width, height, channels, 10);
        }
}

TEST(PlaceBand, OtherFormsOfPngAreDecodedToo) {
    const int width = 19, height = 11;
    for (int channels : {1, 2}) {
        SCOPED_TRACE(testing::Message() << channels << " channels");
        auto pixels = Pixels(width, height, channels);
        if (channels == 2)  // grey and alpha: compared as grey made opaque
            for (size_t k = 1; k < pixels.size(); k += 2) pixels[k] = 0xFF;
        Image image(width, height);
        ASSERT_TRUE(PlaceBand(Png(pixels, width, height, channels), 0, height, image).ok());
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                ASSERT_EQ(
                    image.row(y)[x],
                    0xFF000000u | uint32_t(pixels[(size_t(y) * width + x) * channels]) * 0x010101u);
    }
}

// A band that came back smaller than asked leaves the rest of its rows white; a larger one is
// cut to the rows and the image's width.
TEST(PlaceBand, BandsOfAnotherSizeAreFilledOrCut) {
    const auto small = Pixels(10, 5, 3);
    Image image(16, 12);
    ASSERT_TRUE(PlaceBand(Png(small, 10, 5, 3), 2, 8, image).ok());
    ExpectPlaced(image, small, 10, 5, 3, 2);
    for (int y = 2; y < 10; ++y)
        for (int x = (y < 7 ? 10 : 0); x < 16; ++x) ASSERT_EQ(image.row(y)[x], kWhite);

    const auto large = Pixels(30, 20, 4);
    Image narrow(16, 12);
    ASSERT_TRUE(PlaceBand(Png(large, 30, 20, 4), 4, 8, narrow).ok());
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 16; ++x) ASSERT_EQ(narrow.row(4 + y)[x], Expected(large, 30, 4, x, y));

    // Rows readied ahead of their band turn white, and no others, also past the image's end.
    Image ahead(4, 6);
    std::fill(ahead.pixels(), ahead.pixels() + ahead.pixelCount(), 0u);
    ReadyRows(2, 3, ahead);
    ReadyRows(5, 9, ahead);
    ReadyRows(0, 0, ahead);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 4; ++x) ASSERT_EQ(ahead.row(y)[x], y >= 2 ? kWhite : 0u) << y;
}

// A PNG of 8-bit RGB rows given as they are stored, each with its filter byte, in a zlib stream
// of stored blocks.
std::string StoredPng(int width, int height, const std::string& rows) {
    std::string header;
    for (uint32_t value : {uint32_t(width), uint32_t(height)})
        for (int shift : {24, 16, 8, 0}) header += static_cast<char>((value >> shift) & 0xFF);
    header += std::string("\x08\x02\x00\x00\x00", 5);
    std::string zlib = "\x78\x01";
    for (size_t at = 0; at < rows.size(); at += 65535) {
        const size_t length = std::min<size_t>(65535, rows.size() - at);
        zlib += static_cast<char>(at + length == rows.size() ? 1 : 0);
        for (size_t value : {length, length ^ 0xFFFF}) {
            zlib += static_cast<char>(value & 0xFF);
            zlib += static_cast<char>((value >> 8) & 0xFF);
        }
        zlib += rows.substr(at, length);
    }
    uint32_t a = 1, b = 0;
    for (unsigned char byte : rows) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    for (int shift : {24, 16, 8, 0}) zlib += static_cast<char>((((b << 16) | a) >> shift) & 0xFF);
    return std::string("\x89PNG\r\n\x1a\n", 8) + Chunk("IHDR", header) + Chunk("IDAT", zlib) +
           Chunk("IEND", "");
}

TEST(PlaceBand, BrokenDataFailsAndStaysInBounds) {
    std::string rows;  // four rows of four grey pixels; the third with filter 5, which is none
    for (int y = 0; y < 4; ++y) rows += (y == 2 ? '\x05' : '\x00') + std::string(12, 'a');
    Image small(4, 4);
    ASSERT_TRUE(PlaceBand(StoredPng(4, 2, rows.substr(0, 26)), 0, 2, small).ok());
    EXPECT_EQ(small.row(1)[3], 0xFF616161u);

    const std::string png = SplitImageData(Png(Pixels(64, 32, 3), 64, 32, 3), 100);
    std::string corrupt = png;
    corrupt[png.size() / 2] ^= 0x55;
    corrupt[png.size() / 2 + 1] ^= 0x3C;
    std::string hugeChunk = png;
    hugeChunk[33] = '\x7F';  // the first image data chunk's length now runs far past the end
    const std::pair<std::string, int> broken[] = {
        {StoredPng(4, 4, rows), 4},
        {png.substr(0, png.size() / 2), 32},
        {png.substr(0, 30), 1},
        {std::string("\x89PNG\r\n\x1a\n", 8), 1},
        {"not a png at all", 1},
        {corrupt, 32},
        {hugeChunk, 1},
    };
    for (const auto& [data, rowCount] : broken) {
        Image image(64, 32);
        EXPECT_FALSE(PlaceBand(data, 0, rowCount, image).ok()) << data.size() << " bytes";
    }
    Image image(64, 40);
    EXPECT_FALSE(PlaceBand(png, 10, 31, image).ok()) << "rows beyond the image";
    EXPECT_FALSE(PlaceBand(png, -1, 5, image).ok());
}

}  // namespace
}  // namespace pagelens::capture

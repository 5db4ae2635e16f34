// The raster writers (JPEG, BMP, PNG, TIFF, GIF) checked by reading their files back with GDI+.
#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "imaging/gdiplus_session.h"
#include "imaging/image_files.h"
#include "imaging/image_save_jpeg.h"
#include "tests/support/test_support.h"
#include "tests/viewer_save/independent_readers.h"
#include "tests/viewer_save/sample_images.h"

namespace pagelens {
namespace {

using test::MakeSample;
using test::Sample;

class RasterFiles : public testing::Test {
protected:
    GdiplusSession gdiplus_;
    test::TempFolder folder_;
};

struct LosslessWriter {
    const char* name;
    Status (*save)(const Image&, const std::wstring&);
};
const LosslessWriter kGdiplusWriters[] = {
    {"bmp", SaveAsBmpFile}, {"png", SaveAsPngFile}, {"tif", SaveAsTiffFile}};

TEST_F(RasterFiles, LosslessFormatsReadBackWithTheSamePixels) {
    struct Case {
        Sample sample;
        int width, height;
        int bitsPerPixel;  // gray and black-and-white are stored with fewer bits
    };
    const Case cases[] = {
        {Sample::Color, 37, 23, 24},        {Sample::Gray, 37, 23, 8},
        {Sample::BlackAndWhite, 37, 23, 1}, {Sample::BlackAndWhite, 64, 3, 1},
        {Sample::FewColors, 1, 1, 24},      {Sample::Gray, 1, 5, 8},
        {Sample::Color, 5, 1, 24},          {Sample::BlackAndWhite, 1, 1, 1},
    };
    for (const auto& writer : kGdiplusWriters) {
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(writer.name) + " " + test::SampleName(c.sample) + " " +
                         std::to_string(c.width) + "x" + std::to_string(c.height));
            const Image image = MakeSample(c.sample, c.width, c.height);
            const std::wstring path = folder_.file(L"page");
            ASSERT_TRUE(writer.save(image, path).ok());
            const auto back = test::ReadWithGdiplus(path);
            ASSERT_EQ(test::LargestDifference(image, back.image), 0);
            // A 32-bit BMP is opaque colour too.
            EXPECT_EQ(back.bitsPerPixel == 32 ? 24 : back.bitsPerPixel, c.bitsPerPixel);
        }
    }
}

// Noise over all 256 indices fills the LZW code table many times over, with 12-bit codes.
Image PaletteNoise(int width, int height) {
    Image image(width, height);
    uint32_t state = 12345;
    for (size_t i = 0; i < image.pixelCount(); ++i) {
        state = state * 1103515245u + 12345u;
        const uint8_t v = uint8_t(state >> 24);
        image.pixels()[i] = PackPixel(v, uint8_t(v * 3), uint8_t(255 - v));
    }
    return image;
}

TEST_F(RasterFiles, GifKeepsImagesOfUpTo256ColorsExactly) {
    struct Case {
        const char* name;
        Image image;
    };
    const Case cases[] = {
        {"gray", MakeSample(Sample::Gray, 37, 23)},
        {"black and white", MakeSample(Sample::BlackAndWhite, 64, 3)},
        {"one pixel", MakeSample(Sample::BlackAndWhite, 1, 1)},
        {"200 colours", MakeSample(Sample::FewColors, 301, 199)},
        {"noise", PaletteNoise(512, 300)},
        {"one colour",
         [] {
             Image i(700, 50);
             for (size_t k = 0; k < i.pixelCount(); ++k) i.pixels()[k] = PackPixel(10, 20, 30);
             return i;
         }()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::wstring path = folder_.file(L"page.gif");
        ASSERT_TRUE(SaveAsGifFile(c.image, path).ok());
        EXPECT_EQ(test::LargestDifference(c.image, test::ReadWithGdiplus(path).image), 0);
    }
}

TEST_F(RasterFiles, GifOfManyColorsStaysClose) {
    struct Case {
        Sample sample;
        int width, height;
        double meanError;
    };
    const Case cases[] = {{Sample::Gradient, 256, 256, 3.0},
                          {Sample::Color, 400, 300, 6.0},
                          {Sample::Gradient, 5000, 2, 3.0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(test::SampleName(c.sample));
        const Image image = MakeSample(c.sample, c.width, c.height);
        const std::wstring path = folder_.file(L"page.gif");
        ASSERT_TRUE(SaveAsGifFile(image, path).ok());
        const Image back = test::ReadWithGdiplus(path).image;
        ASSERT_EQ(back.width(), c.width);
        ASSERT_EQ(back.height(), c.height);
        EXPECT_LT(test::MeanDifference(image, back), c.meanError);
        // The pure colours of blocks and text come back unchanged.
        size_t pureKept = 0, pure = 0;
        for (size_t i = 0; i < image.pixelCount(); ++i) {
            const uint32_t p = image.pixels()[i];
            if (p != PackPixel(0, 0, 0) && p != PackPixel(255, 255, 255)) continue;
            ++pure;
            pureKept += back.pixels()[i] == p;
        }
        EXPECT_EQ(pureKept, pure);
    }
}

TEST_F(RasterFiles, TransparencySurvivesInPngAndTiffOnly) {
    Image image = MakeSample(Sample::Gray, 20, 10);
    for (size_t i = 0; i < image.pixelCount(); ++i)
        image.pixels()[i] = (image.pixels()[i] & 0xFFFFFFu) | uint32_t((i * 29) % 256) << 24;
    struct Case {
        Status (*save)(const Image&, const std::wstring&);
        bool keepsAlpha;
    };
    for (const Case& c :
         {Case{SaveAsPngFile, true}, Case{SaveAsTiffFile, true}, Case{SaveAsBmpFile, false}}) {
        const std::wstring path = folder_.file(L"alpha");
        ASSERT_TRUE(c.save(image, path).ok());
        const Image back = test::ReadWithGdiplus(path).image;
        ASSERT_EQ(back.pixelCount(), image.pixelCount());
        int alphaKept = 0, colorKept = 0;
        for (size_t i = 0; i < image.pixelCount(); ++i) {
            alphaKept += (back.pixels()[i] >> 24) == (image.pixels()[i] >> 24);
            colorKept += (back.pixels()[i] & 0xFFFFFFu) == (image.pixels()[i] & 0xFFFFFFu);
        }
        EXPECT_EQ(colorKept, int(image.pixelCount()));
        if (c.keepsAlpha)
            EXPECT_EQ(alphaKept, int(image.pixelCount()));
        else
            EXPECT_EQ(test::ReadFileBytes(path)[28], 24);  // no fourth byte to mistake for alpha
    }
}

TEST_F(RasterFiles, JpegReadsBackCloseToTheImageAtEveryQuality) {
    struct Case {
        Sample sample;
        int width, height, quality;
        double meanError;  // largest mean per-channel error accepted
    };
    const Case cases[] = {
        {Sample::Gradient, 64, 48, 90, 2.0},  {Sample::Gradient, 64, 48, 0, 30.0},
        {Sample::Gradient, 17, 9, 100, 1.5},  {Sample::Color, 101, 67, 85, 20.0},
        {Sample::Gray, 33, 31, 50, 12.0},     {Sample::Gradient, 1, 1, 85, 3.0},
        {Sample::Gray, 300, 2, 75, 12.0},     {Sample::Gray, 2, 300, -5, 40.0},
        {Sample::Gradient, 40, 40, 500, 1.5},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(test::SampleName(c.sample) + " " + std::to_string(c.width) + "x" +
                     std::to_string(c.height) + " q" + std::to_string(c.quality));
        const Image image = MakeSample(c.sample, c.width, c.height);
        const std::wstring path = folder_.file(L"page.jpg");
        ASSERT_TRUE(SaveAsJpegFile(image, path, c.quality).ok());
        const auto back = test::ReadWithGdiplus(path);
        ASSERT_EQ(back.image.width(), c.width);
        ASSERT_EQ(back.image.height(), c.height);
        EXPECT_LT(test::MeanDifference(image, back.image), c.meanError);
    }
}

TEST_F(RasterFiles, BothBuildsOfTheJpegEncoderAgree) {
    // Which one runs depends on the processor; the other must work as well.
    const Image image = MakeSample(Sample::Color, 120, 90);
    Image decoded[2];
    const JpegMath builds[] = {JpegMath::X87, JpegMath::Sse2};
    for (int i = 0; i < 2; ++i) {
        const std::wstring path = folder_.file(L"build" + std::to_wstring(i) + L".jpg");
        auto file = PendingFile::Create(path);
        ASSERT_TRUE(file.ok());
        ASSERT_TRUE(WriteJpeg(image, 0, image.height(), 85, file.value(), builds[i]).ok());
        ASSERT_TRUE(file.value().commit().ok());
        decoded[i] = test::ReadWithGdiplus(path).image;
        EXPECT_LT(test::MeanDifference(image, decoded[i]), 20.0);
    }
    EXPECT_LE(test::LargestDifference(decoded[0], decoded[1]), 2);
}

// The same image in pieces of any cut (rows reported ready band by band, the finished pieces
// written after each, or all at the end) gives the same file, which reads back as close to the
// image as the one-piece encoder's, in both the 4:4:4 and the subsampled layout, with edges
// that end inside a block.
TEST_F(RasterFiles, JpegInPiecesIsTheSameWhereverItIsCut) {
    struct Case {
        Sample sample;
        int width, height, quality;
        std::vector<int> readyRows;  // reported in this order before the file is written
    };
    const Case cases[] = {
        {Sample::Color, 203, 301, 100, {}},
        {Sample::Color, 203, 301, 100, {64, 64, 70, 200, 301}},
        {Sample::Color, 203, 301, 100, {1, 9, 17, 300}},
        {Sample::Gradient, 131, 77, 85, {}},
        {Sample::Gradient, 131, 77, 85, {15, 16, 40, 48}},
        {Sample::Gray, 8, 8, 50, {8}},
        {Sample::Gradient, 97, 1000, 85, {}},
        {Sample::Gradient, 97, 1000, 85, {16, 300, 301, 999}},
    };
    std::map<std::pair<int, int>, std::vector<unsigned char>> firstFileOf;  // by size, quality
    for (const auto& c : cases) {
        SCOPED_TRACE(test::SampleName(c.sample) + " " + std::to_string(c.width) + "x" +
                     std::to_string(c.height) + " q" + std::to_string(c.quality) + " cut " +
                     std::to_string(c.readyRows.size()));
        const Image image = MakeSample(c.sample, c.width, c.height);
        const std::wstring path = folder_.file(L"pieces.jpg");
        {
            JpegInPieces jpeg(image, c.quality);
            auto file = PendingFile::Create(path);
            ASSERT_TRUE(file.ok());
            for (int rows : c.readyRows) {
                jpeg.RowsReady(rows);
                jpeg.WriteReady(file.value());
            }
            ASSERT_TRUE(jpeg.WriteTo(file.value()).ok());
            ASSERT_TRUE(file.value().commit().ok());
        }
        const auto back = test::ReadWithGdiplus(path);
        ASSERT_EQ(back.image.width(), c.width);
        ASSERT_EQ(back.image.height(), c.height);

        const std::wstring whole = folder_.file(L"whole.jpg");
        ASSERT_TRUE(SaveAsJpegFile(image, whole, c.quality).ok());
        const Image reference = test::ReadWithGdiplus(whole).image;
        EXPECT_LE(test::MeanDifference(image, back.image),
                  test::MeanDifference(image, reference) * 1.05 + 0.05);

        const auto bytes = test::ReadFileBytes(path);
        auto [first, inserted] = firstFileOf.try_emplace({c.width, c.quality}, bytes);
        if (!inserted) {
            EXPECT_TRUE(first->second == bytes) << "differs from the first cut";
        }
    }
}

// A page as the capture sees it: a white ground with boxes of 40 flat colours (more than the
// encoder keeps at once), not aligned to blocks, some running off the right and bottom edges,
// and lines of text-like detail.
Image PageLikeImage(int width, int height) {
    Image image(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint32_t colour = PackPixel(255, 255, 255);
            const int box = (x / 37) + 7 * (y / 29);
            if ((x % 37) > 5 && (y % 29) > 3)
                colour = PackPixel(uint8_t(box * 53), uint8_t(box * 97), uint8_t(255 - box * 31));
            if (y % 29 == 1 && (x * 7 + y) % 5 < 2) colour = PackPixel(20, 20, 20);
            image.row(y)[x] = colour;
        }
    return image;
}

// Both builds of the block coding work in pieces, and the pieces decode to exactly what the
// one-piece encoder's file decodes to, in the 4:4:4 and the subsampled layout, also where
// blocks of one colour are coded from the colour's first block.
TEST_F(RasterFiles, JpegInPiecesAgreesWithTheOnePieceEncoderInBothBuilds) {
    const std::pair<const char*, Image> images[] = {{"colour", MakeSample(Sample::Color, 150, 97)},
                                                    {"page", PageLikeImage(203, 157)}};
    for (const auto& [name, image] : images)
        for (int quality : {100, 75}) {
            SCOPED_TRACE(testing::Message() << name << " q" << quality);
            const JpegMath builds[] = {JpegMath::X87, JpegMath::Sse2};
            for (int i = 0; i < 2; ++i) {
                const std::wstring pieces = folder_.file(L"pieces.jpg");
                {
                    JpegInPieces jpeg(image, quality, builds[i]);
                    jpeg.RowsReady(image.height() / 2);
                    ASSERT_TRUE(jpeg.WriteFile(pieces).ok());
                }
                const std::wstring whole = folder_.file(L"whole.jpg");
                auto file = PendingFile::Create(whole);
                ASSERT_TRUE(file.ok());
                ASSERT_TRUE(
                    WriteJpeg(image, 0, image.height(), quality, file.value(), builds[i]).ok());
                ASSERT_TRUE(file.value().commit().ok());
                EXPECT_EQ(test::LargestDifference(test::ReadWithGdiplus(whole).image,
                                                  test::ReadWithGdiplus(pieces).image),
                          0)
                    << "build " << i;
            }
        }
}

// What is encoded reaches the file while the rest of the image is still being filled, rather
// than waiting in memory for the end; an encoding given up half way ends without waiting for
// its queued pieces.
TEST_F(RasterFiles, JpegInPiecesWritesFinishedPiecesAsTheyCome) {
    const Image image = PageLikeImage(300, 2000);
    uint64_t headerSize = 0;
    {
        auto file = PendingFile::Create(folder_.file(L"header.jpg"));
        ASSERT_TRUE(file.ok());
        JpegInPieces(image, 100).WriteReady(file.value());
        headerSize = file.value().written();
    }
    const std::wstring path = folder_.file(L"streamed.jpg");
    {
        auto file = PendingFile::Create(path);
        ASSERT_TRUE(file.ok());
        JpegInPieces jpeg(image, 100);
        jpeg.RowsReady(image.height() / 2);
        const DWORD giveUp = GetTickCount() + 30000;
        while (file.value().written() <= headerSize && GetTickCount() < giveUp) {
            jpeg.WriteReady(file.value());
            Sleep(1);
        }
        EXPECT_GT(file.value().written(), headerSize) << "nothing was written before the end";
        ASSERT_TRUE(jpeg.WriteTo(file.value()).ok());
        ASSERT_TRUE(file.value().commit().ok());
    }
    const std::wstring whole = folder_.file(L"whole.jpg");
    ASSERT_TRUE(JpegInPieces(image, 100).WriteFile(whole).ok());
    EXPECT_TRUE(test::ReadFileBytes(path) == test::ReadFileBytes(whole));

    JpegInPieces abandoned(image, 100);
    abandoned.RowsReady(image.height());
}

TEST_F(RasterFiles, JpegInPiecesRefusesWhatJpegCannotHold) {
    const Image empty;
    EXPECT_FALSE(JpegInPieces(empty, 90).WriteFile(folder_.file(L"empty.jpg")).ok());
    const Image tooWide(kLargestJpegSide + 1, 1);
    EXPECT_FALSE(JpegInPieces(tooWide, 90).WriteFile(folder_.file(L"wide.jpg")).ok());
    EXPECT_FALSE(test::FileExists(folder_.file(L"wide.jpg")));
}

TEST_F(RasterFiles, JpegQualityChangesTheFile) {
    const Image image = MakeSample(Sample::Color, 200, 150);
    auto sizeAt = [&](int quality) {
        const std::wstring path = folder_.file(L"q" + std::to_wstring(quality) + L".jpg");
        EXPECT_TRUE(SaveAsJpegFile(image, path, quality).ok());
        return test::ReadFileBytes(path).size();
    };
    const size_t q0 = sizeAt(0), q1 = sizeAt(1), q10 = sizeAt(10), q90 = sizeAt(90);
    EXPECT_LT(q10, q90);
    EXPECT_EQ(q0, q1);  // 0 is the lowest quality, not the encoder's default
    EXPECT_LT(q0, q10);
}

}  // namespace
}  // namespace pagelens

// Loading image files: every format the viewer reads, pixel for pixel where the format is
// lossless, the errors for files that are missing or are not images, and that a loaded file is
// left free to be deleted and rewritten.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "imaging/gdiplus_session.h"
#include "imaging/image_files.h"
#include "tests/support/test_support.h"
#include "tests/viewer_ops/image_fixtures.h"

namespace pagelens {
namespace {

class LoadImageFileTest : public ::testing::Test {
protected:
    std::wstring write(const std::wstring& name, const test::FixtureBytes& bytes) {
        std::wstring path = folder_.file(name);
        test::WriteFileBytes(path, bytes.data, bytes.size);
        return path;
    }

    GdiplusSession gdiplus_;
    test::TempFolder folder_;
};

TEST_F(LoadImageFileTest, LosslessFormatsGiveTheExactPixels) {
    ASSERT_TRUE(gdiplus_.ok());
    const uint32_t expected[6] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF,
                                  0xFFFFFFFF, 0xFF000000, 0xFF804020};
    for (const auto& fixture : test::kSixPixels) {
        SCOPED_TRACE(fixture.extension);
        auto image = LoadImageFile(write(std::wstring(L"six.") + fixture.extension, fixture));
        ASSERT_TRUE(image.ok()) << std::string(image.error().description.begin(),
                                               image.error().description.end());
        ASSERT_EQ(image->width(), 3);
        ASSERT_EQ(image->height(), 2);
        for (int i = 0; i < 6; ++i)
            EXPECT_EQ(image->pixels()[i], expected[i]) << "pixel " << i << std::hex;
    }
}

TEST_F(LoadImageFileTest, JpegComesBackCloseToWhatWasWritten) {
    auto image = LoadImageFile(write(L"halves.jpg", test::kHalves));
    ASSERT_TRUE(image.ok());
    ASSERT_EQ(image->width(), 16);
    ASSERT_EQ(image->height(), 8);
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 16; ++x) {
            const uint32_t p = image->row(y)[x];
            const int red = x < 8 ? 200 : 40, blue = x < 8 ? 40 : 200;
            EXPECT_LE(std::abs(RedOf(p) - red), 12) << x << "," << y;
            EXPECT_LE(std::abs(GreenOf(p) - 40), 12) << x << "," << y;
            EXPECT_LE(std::abs(BlueOf(p) - blue), 12) << x << "," << y;
            EXPECT_EQ(p >> 24, 0xFFu);
        }
    }
}

TEST_F(LoadImageFileTest, AlphaIsKeptUnpremultiplied) {
    auto image = LoadImageFile(write(L"alpha.png", test::kHalfTransparent));
    ASSERT_TRUE(image.ok());
    ASSERT_EQ(image->width(), 2);
    EXPECT_EQ(image->pixels()[0], 0x7F0A141Eu);
    EXPECT_EQ(image->pixels()[1], 0xFFFAF0E6u);
}

TEST_F(LoadImageFileTest, ContentDecidesTheFormatNotTheName) {
    // The work file is called snapshot.jpg whatever the capture wrote into it.
    auto image = LoadImageFile(write(L"snapshot.jpg", test::kSixPixels[0]));
    ASSERT_TRUE(image.ok());
    EXPECT_EQ(image->pixels()[5], 0xFF804020u);
}

TEST_F(LoadImageFileTest, FailuresAreReportedAsErrors) {
    const char text[] = "<html>not a picture</html>";
    const test::FixtureBytes notAnImage = {L"txt", reinterpret_cast<const unsigned char*>(text),
                                           sizeof text - 1};
    const test::FixtureBytes emptyFile = {L"", nullptr, 0};
    test::FixtureBytes truncatedPng = test::kSixPixels[0];
    truncatedPng.size = 30;

    struct Case {
        const char* what;
        std::wstring path;
        int32_t number;
    } cases[] = {
        {"missing file", folder_.file(L"absent.jpg"), 53},
        {"missing folder", folder_.file(L"absent\\x.png"), 53},
        {"empty path", L"", 53},
        {"text file", write(L"page.jpg", notAnImage), 481},
        {"empty file", write(L"empty.png", emptyFile), 481},
        {"truncated png", write(L"cut.png", truncatedPng), 481},
        {"a folder", folder_.path(), 75},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto image = LoadImageFile(c.path);
        ASSERT_FALSE(image.ok());
        EXPECT_EQ(image.error().number, c.number);
        EXPECT_EQ(image.error().source, L"iePagelens");
        EXPECT_FALSE(image.error().description.empty());
    }
}

TEST_F(LoadImageFileTest, TheFileIsFreeAsSoonAsItIsLoaded) {
    const std::wstring path = write(L"snapshot.jpg", test::kHalves);
    auto first = LoadImageFile(path);
    ASSERT_TRUE(first.ok());
    ASSERT_TRUE(DeleteFileW(path.c_str())) << GetLastError();
    write(L"snapshot.jpg", test::kSixPixels[1]);
    auto second = LoadImageFile(path);
    ASSERT_TRUE(second.ok());
    EXPECT_EQ(second->width(), 3);
    EXPECT_EQ(first->width(), 16);  // the first image does not depend on its file
    EXPECT_TRUE(DeleteFileW(path.c_str())) << GetLastError();
}

}  // namespace
}  // namespace pagelens

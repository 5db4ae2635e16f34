// The raster writers (JPEG, BMP, PNG, TIFF, GIF) checked by reading their files back with GDI+.
#include <gtest/gtest.h>

#include "components/viewer/gdiplus_session.h"
#include "components/viewer/image_files.h"
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

TEST_F(RasterFiles, JpegReadsBackCloseToTheImageAtEveryQuality) {
    struct Case {
        Sample sample;
        int width, height, quality;
        double meanError;  // largest mean per-channel error accepted
    };
    const Case cases[] = {
        {Sample::Gradient, 64, 48, 90, 2.0},   {Sample::Gradient, 64, 48, 0, 30.0},
        {Sample::Gradient, 17, 9, 100, 1.5},   {Sample::Color, 101, 67, 85, 20.0},
        {Sample::Gray, 33, 31, 50, 12.0},      {Sample::Gradient, 1, 1, 85, 3.0},
        {Sample::Gray, 300, 2, 75, 12.0},      {Sample::Gray, 2, 300, -5, 40.0},
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

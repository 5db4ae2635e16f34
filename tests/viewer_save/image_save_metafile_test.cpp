// The EMF and WMF writers, checked through GDI's own metafile functions: the header's bounds
// and the pixels that playing the file into a bitmap paints.
#include <gtest/gtest.h>

#include "imaging/image_files.h"
#include "tests/support/test_support.h"
#include "tests/viewer_save/independent_readers.h"
#include "tests/viewer_save/sample_images.h"

namespace pagelens {
namespace {

using test::MakeSample;
using test::Sample;

struct Case {
    Sample sample;
    int width, height;
};
const Case kCases[] = {
    {Sample::Color, 37, 23},
    {Sample::Gray, 1, 1},
    {Sample::BlackAndWhite, 64, 3},
    {Sample::Gradient, 3, 70},
};

std::string Name(const Case& c) {
    return test::SampleName(c.sample) + " " + std::to_string(c.width) + "x" +
           std::to_string(c.height);
}

TEST(MetafileFiles, EmfHasTheImagesBoundsAndPlaysItsPixels) {
    test::TempFolder folder;
    for (const auto& c : kCases) {
        SCOPED_TRACE(Name(c));
        const Image image = MakeSample(c.sample, c.width, c.height);
        const std::wstring path = folder.file(L"page.emf");
        ASSERT_TRUE(SaveAsEmfFile(image, path).ok());
        const auto emf = test::ReadEnhancedMetafile(path);
        ASSERT_TRUE(emf.opened);
        EXPECT_EQ(emf.bounds.left, 0);
        EXPECT_EQ(emf.bounds.top, 0);
        EXPECT_EQ(emf.bounds.right, c.width - 1);
        EXPECT_EQ(emf.bounds.bottom, c.height - 1);
        EXPECT_GT(emf.frame.right, 0);
        EXPECT_EQ(test::LargestDifference(image, emf.played), 0);
    }
}

TEST(MetafileFiles, WmfIsPlaceableAndPlaysItsPixels) {
    test::TempFolder folder;
    for (const auto& c : kCases) {
        SCOPED_TRACE(Name(c));
        const Image image = MakeSample(c.sample, c.width, c.height);
        const std::wstring path = folder.file(L"page.wmf");
        ASSERT_TRUE(SaveAsWmfFile(image, path).ok());
        const auto wmf = test::ReadWindowsMetafile(path, c.width, c.height);
        EXPECT_TRUE(wmf.placeable);
        EXPECT_EQ(wmf.box.right, c.width);
        EXPECT_EQ(wmf.box.bottom, c.height);
        EXPECT_EQ(wmf.unitsPerInch, 96);
        EXPECT_TRUE(wmf.openedByName);
        EXPECT_TRUE(wmf.convertsToEmf);
        EXPECT_EQ(test::LargestDifference(image, wmf.played), 0);
    }
}

TEST(MetafileFiles, WmfOfAnImageBeyond16BitCoordinatesScalesItsFrame) {
    test::TempFolder folder;
    struct Big {
        int width, height, unitsPerInch;
    };
    for (const Big& big : {Big{40, 40000, 48}, Big{33000, 4, 48}, Big{6, 69999, 32}}) {
        SCOPED_TRACE(std::to_string(big.width) + "x" + std::to_string(big.height));
        const Image image = MakeSample(Sample::Color, big.width, big.height);
        const std::wstring path = folder.file(L"tall.wmf");
        ASSERT_TRUE(SaveAsWmfFile(image, path).ok());
        const auto wmf = test::ReadWindowsMetafile(path, big.width, big.height);
        EXPECT_TRUE(wmf.placeable);
        EXPECT_GT(wmf.box.right, 0);
        EXPECT_LE(wmf.box.right, 32767);
        EXPECT_LE(wmf.box.bottom, 32767);
        EXPECT_EQ(wmf.unitsPerInch, big.unitsPerInch);
        // Sizes that are whole logical units map back onto the pixels one to one.
        EXPECT_EQ(test::LargestDifference(image, wmf.played), 0);
    }
}

}  // namespace
}  // namespace pagelens

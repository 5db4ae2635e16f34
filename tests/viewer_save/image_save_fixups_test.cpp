// The mending of GDI+ encoder output: each fault is put right, and a file without the fault
// (what Windows' encoders write) is left byte for byte as it was. Also checks that the files our
// writers produce under Wine come out without the faults.
#include <gtest/gtest.h>

#include <vector>

#include "imaging/gdiplus_session.h"
#include "imaging/image_files.h"
#include "imaging/image_save_gdiplus_fixups.h"
#include "tests/support/test_support.h"
#include "tests/viewer_save/sample_images.h"

namespace pagelens {
namespace {

using Bytes = std::vector<unsigned char>;

void PutWord(Bytes& b, size_t at, unsigned v, bool big) {
    b[at + (big ? 1 : 0)] = uint8_t(v);
    b[at + (big ? 0 : 1)] = uint8_t(v >> 8);
}
void PutDword(Bytes& b, size_t at, unsigned v, bool big) {
    PutWord(b, at + (big ? 2 : 0), v & 0xFFFF, big);
    PutWord(b, at + (big ? 0 : 2), v >> 16, big);
}
unsigned Word(const Bytes& b, size_t at, bool big = false) {
    return big ? b[at] << 8 | b[at + 1] : b[at + 1] << 8 | b[at];
}

// A minimal TIFF: header, one directory with a colour map of `levels` scaled by `scale`.
Bytes TiffWithColorMap(const std::vector<uint8_t>& levels, unsigned scale, bool big) {
    const size_t entries = levels.size(), mapAt = 8 + 2 + 12 + 4;
    Bytes b(mapAt + 6 * entries, 0);
    b[0] = b[1] = big ? 'M' : 'I';
    PutWord(b, 2, 42, big);
    PutDword(b, 4, 8, big);
    PutWord(b, 8, 1, big);     // one entry
    PutWord(b, 10, 320, big);  // ColorMap
    PutWord(b, 12, 3, big);    // SHORT
    PutDword(b, 14, unsigned(3 * entries), big);
    PutDword(b, 18, unsigned(mapAt), big);
    for (size_t i = 0; i < 3 * entries; ++i)
        PutWord(b, mapAt + 2 * i, levels[i % entries] * scale, big);
    return b;
}

TEST(GdiplusFixups, TiffColorMapsScaledBy256AreRescaledAndOthersKept) {
    test::TempFolder folder;
    const std::wstring path = folder.file(L"map.tif");
    const std::vector<uint8_t> bw = {0, 255}, ramp = {0, 85, 170, 255};
    struct Case {
        std::vector<uint8_t> levels;
        unsigned scale;
        bool big;
        bool changed;
    };
    const Case cases[] = {
        {bw, 256, false, true},
        {ramp, 256, true, true},
        {bw, 257, false, false},
        {ramp, 257, true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.levels.size() << " levels x" << c.scale);
        const Bytes before = TiffWithColorMap(c.levels, c.scale, c.big);
        test::WriteFileBytes(path, before.data(), before.size());
        ASSERT_TRUE(FixTiffColorMap(path, c.levels).ok());
        const Bytes after = test::ReadFileBytes(path);
        if (!c.changed) {
            EXPECT_EQ(after, before);
            continue;
        }
        EXPECT_EQ(after, TiffWithColorMap(c.levels, 257, c.big));
    }
    // A map that is not our palette is none of our business.
    const Bytes other = TiffWithColorMap({0, 128}, 256, false);
    test::WriteFileBytes(path, other.data(), other.size());
    ASSERT_TRUE(FixTiffColorMap(path, {0, 255}).ok());
    EXPECT_EQ(test::ReadFileBytes(path), other);
}

// First-directory colour map entries of a TIFF file (little-endian, as GDI+ writes).
std::vector<unsigned> ColorMapOf(const Bytes& tiff) {
    const size_t directory = Word(tiff, 4) | Word(tiff, 6) << 16;
    for (unsigned i = 0; i < Word(tiff, directory); ++i) {
        const size_t entry = directory + 2 + 12 * i;
        if (Word(tiff, entry) != 320) continue;
        const unsigned count = Word(tiff, entry + 4) | Word(tiff, entry + 6) << 16;
        const size_t at = Word(tiff, entry + 8) | Word(tiff, entry + 10) << 16;
        std::vector<unsigned> map;
        for (unsigned k = 0; k < count; ++k) map.push_back(Word(tiff, at + 2 * k));
        return map;
    }
    return {};
}

TEST(GdiplusFixups, OurIndexedFilesComeOutRight) {
    GdiplusSession gdiplus;
    test::TempFolder folder;
    for (auto sample : {test::Sample::Gray, test::Sample::BlackAndWhite}) {
        SCOPED_TRACE(test::SampleName(sample));
        const Image image = test::MakeSample(sample, 21, 13);
        const std::wstring bmp = folder.file(L"page.bmp"), tif = folder.file(L"page.tif");
        ASSERT_TRUE(SaveAsBmpFile(image, bmp).ok());
        const Bytes bmpBytes = test::ReadFileBytes(bmp);
        EXPECT_EQ(Word(bmpBytes, 2) | Word(bmpBytes, 4) << 16, bmpBytes.size());
        ASSERT_TRUE(SaveAsTiffFile(image, tif).ok());
        for (unsigned entry : ColorMapOf(test::ReadFileBytes(tif)))
            EXPECT_EQ(entry % 257, 0u) << entry;  // 8-bit levels spread over 16 bits
    }
}

}  // namespace
}  // namespace pagelens

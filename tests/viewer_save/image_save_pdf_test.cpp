// The PDF writer, checked by a reader of our own that trusts nothing it has not verified: every
// cross-reference offset must land on its "N 0 obj", and each page's image must be a JPEG of the
// right size that decodes (through GDI+) to the rows of the image that page shows.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "imaging/gdiplus_session.h"
#include "imaging/image_files.h"
#include "tests/support/test_support.h"
#include "tests/viewer_save/independent_readers.h"
#include "tests/viewer_save/sample_images.h"

namespace pagelens {
namespace {

using test::MakeSample;
using test::Sample;

struct PdfImage {
    int width = 0, height = 0;
    std::string jpeg;
};

struct PdfFacts {
    bool xrefValid = false;
    int pageCount = 0;
    double largestPageSide = 0;
    std::vector<PdfImage> images;  // in file order, which is page order
};

long NumberAfter(const std::string& text, size_t from, const std::string& key) {
    const size_t at = text.find(key, from);
    return at == std::string::npos ? -1 : std::strtol(text.c_str() + at + key.size(), nullptr, 10);
}

bool CheckXref(const std::string& pdf) {
    const size_t startxref = pdf.rfind("startxref\n");
    if (startxref == std::string::npos) return false;
    const size_t xref = std::strtoul(pdf.c_str() + startxref + 10, nullptr, 10);
    if (pdf.compare(xref, 7, "xref\n0 ") != 0) return false;
    const long count = std::strtol(pdf.c_str() + xref + 7, nullptr, 10);
    const size_t entries = pdf.find('\n', xref + 7) + 1;
    if (count < 2 || NumberAfter(pdf, startxref - 200, "/Size ") != count) return false;
    for (long i = 1; i < count; ++i) {
        const std::string entry = pdf.substr(entries + 20 * i, 20);
        if (entry.size() != 20 || entry.substr(10) != " 00000 n \n") return false;
        const size_t offset = std::strtoul(entry.c_str(), nullptr, 10);
        if (pdf.compare(offset, std::to_string(i).size() + 6, std::to_string(i) + " 0 obj") != 0)
            return false;
    }
    return true;
}

PdfFacts ReadPdf(const std::wstring& path) {
    const auto bytes = test::ReadFileBytes(path);
    const std::string pdf(bytes.begin(), bytes.end());
    PdfFacts facts;
    if (pdf.compare(0, 8, "%PDF-1.4") != 0) return facts;
    facts.xrefValid = CheckXref(pdf);
    facts.pageCount = int(NumberAfter(pdf, pdf.find("/Type /Pages"), "/Count "));
    for (size_t at = pdf.find("/MediaBox [0 0 "); at != std::string::npos;
         at = pdf.find("/MediaBox [0 0 ", at + 1)) {
        char* end = nullptr;
        const double w = std::strtod(pdf.c_str() + at + 15, &end);
        const double h = std::strtod(end, nullptr);
        facts.largestPageSide = std::max({facts.largestPageSide, w, h});
    }
    for (size_t at = pdf.find("/Subtype /Image"); at != std::string::npos;
         at = pdf.find("/Subtype /Image", at + 1)) {
        PdfImage image;
        image.width = int(NumberAfter(pdf, at, "/Width "));
        image.height = int(NumberAfter(pdf, at, "/Height "));
        const size_t data = pdf.find(">>\nstream\n", at) + 10;
        const size_t end = pdf.find("\nendstream", data);
        image.jpeg = pdf.substr(data, end - data);
        facts.images.push_back(image);
    }
    return facts;
}

Image Rows(const Image& image, int first, int count) {
    Image band(image.width(), count);
    for (int y = 0; y < count; ++y)
        std::copy(image.row(first + y), image.row(first + y) + image.width(), band.row(y));
    return band;
}

TEST(PdfFiles, PagesHoldTheImageAsJpegBandsWithAnExactCrossReference) {
    GdiplusSession gdiplus;
    test::TempFolder folder;
    struct Case {
        int width, height;
        std::vector<int> bandHeights;
    };
    const Case cases[] = {
        {64, 48, {48}},
        {1, 1, {1}},
        {30, 19200, {19200}},       // exactly 14400 points high
        {30, 19201, {9601, 9600}},  // one row more: two equal bands
        {12, 45000, {15000, 15000, 15000}},
        {20000, 40, {40}},  // wider than a page: scaled to 14400 points
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
        const Image image = MakeSample(Sample::Gradient, c.width, c.height);
        const std::wstring path = folder.file(L"page.pdf");
        ASSERT_TRUE(SaveAsPdfFile(image, path).ok());
        const PdfFacts pdf = ReadPdf(path);
        EXPECT_TRUE(pdf.xrefValid);
        EXPECT_EQ(pdf.pageCount, int(c.bandHeights.size()));
        EXPECT_LE(pdf.largestPageSide, 14400.0);
        ASSERT_EQ(pdf.images.size(), c.bandHeights.size());
        int firstRow = 0;
        for (size_t i = 0; i < pdf.images.size(); ++i) {
            EXPECT_EQ(pdf.images[i].width, c.width);
            EXPECT_EQ(pdf.images[i].height, c.bandHeights[i]);
            const std::wstring jpeg = folder.file(L"band.jpg");
            test::WriteFileBytes(jpeg, pdf.images[i].jpeg.data(), pdf.images[i].jpeg.size());
            const Image band = test::ReadWithGdiplus(jpeg).image;
            EXPECT_LT(test::MeanDifference(Rows(image, firstRow, c.bandHeights[i]), band), 3.0);
            firstRow += c.bandHeights[i];
        }
    }
}

}  // namespace
}  // namespace pagelens

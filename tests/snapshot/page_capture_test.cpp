// Captures of real pages served by the test itself: the image's size, the colour at known places
// of the page, lazily loaded content, and the failures told apart by their final codes.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "components/viewer/gdiplus_session.h"
#include "components/viewer/image_files.h"
#include "tests/snapshot/capture_recorder.h"
#include "tests/snapshot/test_http_server.h"
#include "tests/support/test_support.h"

namespace pagelens::test {
namespace {

struct Colour {
    int r, g, b;
};

constexpr Colour kPalette[] = {{220, 30, 30},  {30, 160, 40},  {30, 60, 220},
                               {230, 200, 20}, {150, 40, 170}, {20, 180, 190}};

std::string CssColour(const Colour& c) {
    return "rgb(" + std::to_string(c.r) + "," + std::to_string(c.g) + "," + std::to_string(c.b) + ")";
}

// A page of `count` full-width stripes of `stripeHeight` pixels, coloured from the palette in turn.
std::string StripedPage(int count, int stripeHeight) {
    std::string page = "<!doctype html><html><head><style>html,body{margin:0;padding:0}"
                       "div{width:100%;height:" + std::to_string(stripeHeight) +
                       "px}</style></head><body>";
    for (int i = 0; i < count; ++i)
        page += "<div style=\"background:" + CssColour(kPalette[i % std::size(kPalette)]) + "\"></div>";
    return page + "</body></html>";
}

::testing::AssertionResult PixelNear(const Image& image, int x, int y, const Colour& expected) {
    if (x >= image.width() || y >= image.height())
        return ::testing::AssertionFailure() << "(" << x << "," << y << ") is outside the image";
    const uint32_t p = image.row(y)[x];
    const int tolerance = 16;  // JPEG
    if (std::abs(RedOf(p) - expected.r) <= tolerance && std::abs(GreenOf(p) - expected.g) <= tolerance &&
        std::abs(BlueOf(p) - expected.b) <= tolerance)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "pixel (" << x << "," << y << ") is " << int(RedOf(p)) << "," << int(GreenOf(p)) << ","
           << int(BlueOf(p)) << ", expected " << expected.r << "," << expected.g << "," << expected.b;
}

class PageCaptureTest : public ::testing::Test {
protected:
    GdiplusSession gdiplus_;
    TempFolder folder_;
    TestHttpServer server_;
    std::wstring workFile_ = folder_.file(L"snapshot.jpg");

    Image LoadWorkFile() {
        auto image = LoadImageFile(workFile_);
        EXPECT_TRUE(image.ok()) << "the work file does not load";
        return image.ok() ? std::move(image).value() : Image();
    }
};

TEST_F(PageCaptureTest, PageTallerThanTheViewportIsCapturedWhole) {
    server_.Route("/tall", {200, "text/html", StripedPage(30, 100)});
    auto run = CaptureAddress(server_.Url("/tall"), workFile_, AddressCaptureSettings());
    ASSERT_TRUE(run->finishedInTime);
    ASSERT_EQ(run->recorder.finalCode(), 1) << run->recorder.finalText();
    Image image = LoadWorkFile();
    EXPECT_EQ(image.width(), 1280);
    EXPECT_EQ(image.height(), 3000);
    EXPECT_TRUE(PixelNear(image, 640, 50, kPalette[0]));
    EXPECT_TRUE(PixelNear(image, 640, 2950, kPalette[29 % 6]));
}

}  // namespace
}  // namespace pagelens::test

// CaptureBrowser against the stand-in browser object: the address comes from the browser (or
// its document), the viewport from the browser's window when setting 7 asks for it, and a
// missing browser ends with -1.
#include <gtest/gtest.h>

#include <string>

#include "common/unique_handle.h"
#include "imaging/gdiplus_session.h"
#include "imaging/image_files.h"
#include "standin/documents.h"
#include "standin/web_browser.h"
#include "tests/snapshot/capture_recorder.h"
#include "tests/snapshot/snapshot_pages.h"
#include "tests/snapshot/test_http_server.h"
#include "tests/support/test_support.h"

namespace pagelens::test {
namespace {

using namespace std::chrono_literals;

constexpr int kFrameWidth = 900;
constexpr int kFrameHeight = 700;

// A top-level window with a client area of kFrameWidth x kFrameHeight, as the browser's frame.
UniqueHwnd MakeFrame() {
    RECT bounds{0, 0, kFrameWidth, kFrameHeight};
    AdjustWindowRectEx(&bounds, WS_OVERLAPPEDWINDOW, FALSE, 0);
    return UniqueHwnd(CreateWindowExW(0, L"STATIC", L"Browser", WS_OVERLAPPEDWINDOW, 0, 0,
                                      bounds.right - bounds.left, bounds.bottom - bounds.top,
                                      nullptr, nullptr, GetModuleHandleW(nullptr), nullptr));
}

Settings BrowserCaptureSettings(int32_t viewportFromBrowser) {
    return {{1, 40000}, {2, 1},   {3, 100}, {4, 1}, {5, 1}, {6, 1}, {7, viewportFromBrowser},
            {8, 1},     {9, 1000}};
}

class BrowserCaptureTest : public ::testing::Test {
protected:
    // Captures what `browser` shows; the final code.
    int32_t CaptureBrowser(IWebBrowser2* browser, const Settings& settings) {
        auto snap = std::move(HtmlSnap::Create(&recorder_)).value();
        for (const auto& [index, value] : settings)
            EXPECT_TRUE(snap->SetSetting(index, value).ok());
        EXPECT_TRUE(snap->CaptureBrowser(browser, workFile_).ok());
        EXPECT_TRUE(PumpUntil([&] { return recorder_.finished(); }, 90s));
        PumpFor(100ms);
        EXPECT_TRUE(snap->Close().ok());
        EXPECT_EQ(recorder_.finals().size(), 1u);
        return recorder_.finalCode();
    }

    Image LoadWorkFile() {
        auto image = LoadImageFile(workFile_);
        EXPECT_TRUE(image.ok());
        return image.ok() ? std::move(image).value() : Image();
    }

    GdiplusSession gdiplus_;
    TempFolder folder_;
    TestHttpServer server_;
    CaptureRecorder recorder_;
    std::wstring workFile_ = folder_.file(L"snapshot.jpg");
    UniqueHwnd frame_ = MakeFrame();
};

TEST_F(BrowserCaptureTest, ViewportComesFromTheBrowserWindow) {
    server_.Route("/page", {200, "text/html", StripedPage(20, 100)});
    const std::wstring url = server_.Url("/page");
    auto browser = standin::CreateWebBrowser(
        frame_.get(),
        {ComPtr<IDispatch>(standin::CreateHtmlDocument(url, L"Page").get()), url, L"Page"});
    ASSERT_EQ(CaptureBrowser(browser.get(), BrowserCaptureSettings(1)), 1) << recorder_.finalText();
    Image image = LoadWorkFile();
    EXPECT_EQ(image.width(), kFrameWidth);
    EXPECT_EQ(image.height(), 2000);
    EXPECT_TRUE(PixelNear(image, kFrameWidth - 5, 1995, StripeColour(19)));
}

// No LocationURL: the document's URL is captured; setting 7 off gives the standard viewport.
TEST_F(BrowserCaptureTest, DocumentAddressStandsInForAMissingLocation) {
    server_.Route("/page", {200, "text/html", StripedPage(20, 100)});
    auto browser = standin::CreateWebBrowser(
        frame_.get(),
        {ComPtr<IDispatch>(standin::CreateHtmlDocument(server_.Url("/page"), L"Page").get()), L"",
         L""});
    ASSERT_EQ(CaptureBrowser(browser.get(), BrowserCaptureSettings(0)), 1) << recorder_.finalText();
    EXPECT_EQ(LoadWorkFile().width(), 1280);
    EXPECT_EQ(server_.RequestCount("/page"), 1);
}

TEST_F(BrowserCaptureTest, NoBrowserEndsWithMinusOne) {
    EXPECT_EQ(CaptureBrowser(nullptr, BrowserCaptureSettings(1)), -1);
    EXPECT_FALSE(FileExists(workFile_));
}

TEST_F(BrowserCaptureTest, BrowserWithoutAnyAddressEndsWithMinusOne) {
    auto browser = standin::CreateWebBrowser(frame_.get(), {ComPtr<IDispatch>(), L"", L""});
    EXPECT_EQ(CaptureBrowser(browser.get(), BrowserCaptureSettings(1)), -1);
    EXPECT_FALSE(FileExists(workFile_));
}

}  // namespace
}  // namespace pagelens::test

// Close during a capture, and an instance dropped without Close: no event afterwards, the
// capture browser gone (its DevTools port no longer accepts connections), its profile folder
// removed, and no file left. A window's warm browser: reused without the last page's data, and
// gone at each of its ends.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "common/protected_mode.h"
#include "components/snapshot/browser_process/browser_process.h"
#include "components/snapshot/devtools_capture/warm_browser.h"
#include "components/snapshot/view_capture/hosted_browser.h"
#include "imaging/gdiplus_session.h"
#include "imaging/image_files.h"
#include "tests/snapshot/capture_recorder.h"
#include "tests/snapshot/snapshot_pages.h"
#include "tests/snapshot/test_http_server.h"
#include "tests/support/test_support.h"

namespace pagelens::test {
namespace {

using namespace std::chrono_literals;

// The DevTools port of the one capture browser this process runs, once it has one.
std::optional<uint16_t> RunningBrowserPort() {
    const auto folders = CaptureProfileFolders();
    if (folders.size() != 1) return std::nullopt;
    const auto bytes = ReadFileBytes(folders.front() + L"\\DevToolsActivePort");
    const auto endpoint = capture::ParseDevToolsActivePort(std::string(bytes.begin(), bytes.end()));
    if (!endpoint) return std::nullopt;
    return endpoint->port;
}

enum class Ending { Close, Drop };

class CaptureCloseTest : public ::testing::TestWithParam<Ending> {
protected:
    TempFolder folder_;
    TestHttpServer server_;
    std::wstring workFile_ = folder_.file(L"snapshot.jpg");
};

TEST_P(CaptureCloseTest, EndingARunningCaptureLeavesNothingBehind) {
    server_.Route("/slow",
                  {200, "text/html", "<html><body>Waiting<img src=\"/never.png\"></body></html>"});
    server_.Route("/never.png", {200, "image/png", "", true});
    CaptureRecorder recorder;
    auto snap = std::move(HtmlSnap::Create(&recorder)).value();
    for (const auto& [index, value] : AddressCaptureSettings())
        ASSERT_TRUE(snap->SetSetting(index, value).ok());
    ASSERT_TRUE(snap->CaptureUrl(server_.Url("/slow"), workFile_).ok());

    std::optional<uint16_t> port;
    ASSERT_TRUE(PumpUntil([&] { return server_.RequestCount("/never.png") > 0; }, 60s));
    port = RunningBrowserPort();
    ASSERT_TRUE(port.has_value());
    ASSERT_TRUE(LoopbackPortAccepts(*port));

    const size_t reportsBefore = recorder.statuses.size() + recorder.progress.size();
    if (GetParam() == Ending::Close) {
        EXPECT_TRUE(snap->Close().ok());
    }
    snap.reset();
    PumpFor(500ms);
    EXPECT_EQ(recorder.statuses.size() + recorder.progress.size(), reportsBefore);
    EXPECT_TRUE(recorder.finals().empty());

    EXPECT_TRUE(PumpUntil([&] { return !LoopbackPortAccepts(*port); }, 10s))
        << "the browser still runs";
    EXPECT_TRUE(PumpUntil([&] { return CaptureProfileFolders().empty(); }, 10s))
        << "its profile is left";
    EXPECT_TRUE(FilesIn(folder_.path()).empty());
}

// Close while the browser is still starting: it is waited for and closed all the same.
TEST_P(CaptureCloseTest, EndingACaptureWhoseBrowserIsStillStarting) {
    server_.Route("/page", {200, "text/html", StripedPage(2, 100)});
    CaptureRecorder recorder;
    auto snap = std::move(HtmlSnap::Create(&recorder)).value();
    ASSERT_TRUE(snap->CaptureUrl(server_.Url("/page"), workFile_).ok());
    ASSERT_TRUE(PumpUntil([&] { return !CaptureProfileFolders().empty(); }, 10s));
    if (GetParam() == Ending::Close) {
        EXPECT_TRUE(snap->Close().ok());
    }
    snap.reset();
    PumpFor(300ms);
    EXPECT_TRUE(recorder.finals().empty());
    // The port, if the browser got as far as opening it before it was closed.
    std::optional<uint16_t> port;
    EXPECT_TRUE(PumpUntil(
        [&] {
            if (!port) port = RunningBrowserPort();
            return CaptureProfileFolders().empty();
        },
        20s))
        << "its profile is left";
    if (port) {
        EXPECT_FALSE(LoopbackPortAccepts(*port));
    }
    EXPECT_EQ(server_.RequestCount("/page"), 0);
    EXPECT_TRUE(FilesIn(folder_.path()).empty());
}

INSTANTIATE_TEST_SUITE_P(CloseOrDrop, CaptureCloseTest,
                         ::testing::Values(Ending::Close, Ending::Drop));

// The window deletes the work file before it drops the previous instance for a new capture: a
// file that this instance wrote but whose success never reached the window must not survive
// the drop, or a failing new capture would show the old page.
TEST(CaptureCloseAfterEnd, UnreportedFileGoesWithTheInstance) {
    TempFolder folder;
    TestHttpServer server;
    server.Route("/page", {200, "text/html", StripedPage(2, 100)});
    const std::wstring workFile = folder.file(L"snapshot.jpg");
    CaptureRecorder recorder;
    auto snap = std::move(HtmlSnap::Create(&recorder)).value();
    ASSERT_TRUE(snap->CaptureUrl(server.Url("/page"), workFile).ok());
    // No messages are pumped: the final status waits in the queue.
    for (int i = 0; i < 600 && !(FileExists(workFile) && CaptureProfileFolders().empty()); ++i)
        Sleep(100);
    ASSERT_TRUE(FileExists(workFile));
    snap.reset();
    PumpFor(200ms);
    EXPECT_TRUE(recorder.statuses.empty());
    EXPECT_FALSE(FileExists(workFile));
}

// Close after the final status keeps the reported file; a second Close does nothing.
TEST(CaptureCloseAfterEnd, ReportedFileStays) {
    TempFolder folder;
    TestHttpServer server;
    server.Route("/page", {200, "text/html", StripedPage(2, 100)});
    auto run =
        CaptureAddress(server.Url("/page"), folder.file(L"snapshot.jpg"), AddressCaptureSettings());
    ASSERT_EQ(run->recorder.finalCode(), 1) << run->recorder.finalText();
    EXPECT_TRUE(run->snap->Close().ok());
    EXPECT_TRUE(FileExists(folder.file(L"snapshot.jpg")));
    run->snap.reset();
    EXPECT_TRUE(FileExists(folder.file(L"snapshot.jpg")));
}

// A window's warm browser serves its next capture, but nothing of one page reaches the next: the
// second page paints itself red if it finds the first one's cookie or stored value.
TEST(WarmBrowserTest, SecondCaptureReusesTheBrowserInAFreshContext) {
    GdiplusSession gdiplus;
    TempFolder folder;
    TestHttpServer server;
    HttpResponse first;
    first.body =
        "<html><body><script>document.cookie = 'seen=1; max-age=3600';"
        "localStorage.setItem('seen', '1');</script>First</body></html>";
    first.setCookie = "served=1; Max-Age=3600";
    server.Route("/first", first);
    const std::string check =
        "<html><body style=\"margin:0;height:1000px\"><script>"
        "const kept = document.cookie.includes('seen') ||"
        " document.cookie.includes('served') || localStorage.getItem('seen');"
        "document.body.style.background = kept ? '" +
        CssColour(kPalette[0]) + "' : '" + CssColour(kPalette[1]) + "';</script></body></html>";
    server.RouteByCookie("/second", "served=1", {200, "text/html", "kept"},
                         {200, "text/html", check});
    auto warm = std::make_shared<WarmBrowser>();
    const std::wstring file = folder.file(L"snapshot.jpg");

    auto run = CaptureAddress(server.Url("/first"), file, AddressCaptureSettings(), 90s, warm);
    ASSERT_EQ(run->recorder.finalCode(), 1) << run->recorder.finalText();
    run.reset();
    ASSERT_TRUE(PumpUntil([&] { return warm->ready(); }, 30s));
    const auto profiles = CaptureProfileFolders();
    ASSERT_EQ(profiles.size(), 1u);
    const auto port = RunningBrowserPort();
    ASSERT_TRUE(port.has_value());

    auto second = CaptureAddress(server.Url("/second"), file, AddressCaptureSettings(), 90s, warm);
    ASSERT_EQ(second->recorder.finalCode(), 1) << second->recorder.finalText();
    EXPECT_EQ(CaptureProfileFolders(), profiles) << "a second browser was started";
    EXPECT_EQ(RunningBrowserPort(), port);
    auto image = LoadImageFile(file);
    ASSERT_TRUE(image.ok());
    EXPECT_TRUE(PixelNear(*image, 640, 500, kPalette[1])) << "the first page's data was kept";
}

// The warm browser ends after its idle limit, with the window, with End, and when a capture that
// may not run it comes (Protected Mode); in Protected Mode none is started early either.
HRESULT WINAPI ReportsProtectedMode(BOOL* result) { return *result = TRUE, S_OK; }

enum class WarmEnd { IdleLimit, WindowGoes, End, ProtectedModeCapture };

class WarmBrowserEndTest : public ::testing::TestWithParam<WarmEnd> {};

TEST_P(WarmBrowserEndTest, BrowserEnds) {
    const auto idleLimit = GetParam() == WarmEnd::IdleLimit ? 2000ms : WarmBrowser::kIdleLimit;
    auto warm = std::make_shared<WarmBrowser>(idleLimit);
    warm->StartEarly();
    std::optional<uint16_t> port;
    ASSERT_TRUE(PumpUntil([&] { return (port = RunningBrowserPort()) && warm->ready(); }, 60s));
    ASSERT_TRUE(LoopbackPortAccepts(*port));

    TempFolder folder;
    std::optional<CaptureRecorder> recorder;
    std::unique_ptr<HtmlSnap> snap;
    ProtectedModeFunctions functions;  // the override keeps the table, not a copy
    functions.IEIsProtectedModeProcess = &ReportsProtectedMode;
    std::optional<ProtectedModeApiOverride> protectedMode;
    std::optional<capture::BrowserControlOverride> noControl;
    switch (GetParam()) {
        case WarmEnd::IdleLimit:
            break;
        case WarmEnd::WindowGoes:
            warm.reset();
            break;
        case WarmEnd::End:
            warm->End();
            break;
        case WarmEnd::ProtectedModeCapture: {
            protectedMode.emplace(functions);
            // No control of our own either: the capture ends at once, as the tab may not run one.
            noControl.emplace([](IOleObject**) { return E_FAIL; });
            snap = std::move(HtmlSnap::Create(&recorder.emplace())).value();
            snap->UseWarmBrowser(warm);
            ASSERT_TRUE(snap->SetSetting(1, 5000).ok());
            ASSERT_TRUE(snap->CaptureUrl(L"http://127.0.0.1:1/", folder.file(L"s.jpg")).ok());
            ASSERT_TRUE(PumpUntil([&] { return recorder->finished(); }, 10s));
            EXPECT_EQ(recorder->finalCode(), -1);
            break;
        }
    }
    EXPECT_TRUE(PumpUntil([&] { return !LoopbackPortAccepts(*port); }, 15s))
        << "the browser still runs";
    EXPECT_TRUE(PumpUntil([&] { return CaptureProfileFolders().empty(); }, 15s))
        << "its profile is left";
    if (warm) {
        EXPECT_FALSE(warm->running());
        if (protectedMode) {
            warm->StartEarly();
            PumpFor(300ms);
            EXPECT_FALSE(warm->running());
            EXPECT_TRUE(CaptureProfileFolders().empty());
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Ways, WarmBrowserEndTest,
                         ::testing::Values(WarmEnd::IdleLimit, WarmEnd::WindowGoes, WarmEnd::End,
                                           WarmEnd::ProtectedModeCapture));

}  // namespace
}  // namespace pagelens::test

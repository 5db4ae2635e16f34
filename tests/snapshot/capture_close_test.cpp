// Close during a capture, and an instance dropped without Close: no event afterwards, the
// capture browser gone (its DevTools port no longer accepts connections), its profile folder
// removed, and no file left.
#include <gtest/gtest.h>

#include <string>

#include "components/snapshot/browser_process/browser_process.h"
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

}  // namespace
}  // namespace pagelens::test

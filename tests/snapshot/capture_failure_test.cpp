// Captures that fail end with one final code that tells the failures apart, and leave no file:
// neither the work file nor anything beside it.
#include <gtest/gtest.h>

#include <new>
#include <string>

#include "components/snapshot/devtools_capture/capture_run.h"
#include "components/snapshot/devtools_capture/navigation_address.h"
#include "tests/snapshot/capture_recorder.h"
#include "tests/snapshot/snapshot_pages.h"
#include "tests/snapshot/test_http_server.h"
#include "tests/support/test_support.h"

namespace pagelens::test {
namespace {

class CaptureFailureTest : public ::testing::Test {
protected:
    void TearDown() override {
        EXPECT_TRUE(CaptureProfileFolders().empty()) << "a capture browser profile is left";
    }

    void ExpectFailure(const CaptureRun& run, int32_t code, const std::wstring& workFile) {
        EXPECT_TRUE(run.finishedInTime);
        EXPECT_EQ(run.recorder.finals().size(), 1u);
        EXPECT_EQ(run.recorder.finalCode(), code) << run.recorder.finalText();
        EXPECT_FALSE(FileExists(workFile));
        EXPECT_TRUE(FilesIn(folder_.path()).empty());
    }

    TempFolder folder_;
    TestHttpServer server_;
    std::wstring workFile_ = folder_.file(L"snapshot.jpg");
};

// An error status counts here only with an empty page: the browser shows an error page of its
// own then, not the site's. With a page of the server's own it is captured (page_capture_test).
TEST_F(CaptureFailureTest, AddressesThatCannotBeOpenedEndWithMinusThree) {
    server_.Route("/missing", {404, "text/html", ""});
    server_.Route("/broken", {500, "text/html", ""});
    const std::wstring refused =
        L"http://127.0.0.1:" + std::to_wstring(UnusedLoopbackPort()) + L"/";
    const std::wstring cases[] = {
        server_.Url("/missing"),
        server_.Url("/broken"),
        refused,
        L"http://no-such-host.invalid/",
        folder_.path() + L"\\no such page.html",
    };
    for (const auto& address : cases) {
        SCOPED_TRACE(std::string(address.begin(), address.end()));
        auto run = CaptureAddress(address, workFile_, AddressCaptureSettings());
        ExpectFailure(*run, -3, workFile_);
    }
}

// The page's own answer arrives, but an image on it never does: the load never ends.
TEST_F(CaptureFailureTest, PageThatNeverFinishesLoadingEndsWithMinusFourAtTheTimeLimit) {
    server_.Route("/slow",
                  {200, "text/html", "<html><body>Waiting<img src=\"/never.png\"></body></html>"});
    server_.Route("/never.png", {200, "image/png", "", true});
    auto run = CaptureAddress(server_.Url("/slow"), workFile_, AddressCaptureSettings(6000));
    ExpectFailure(*run, -4, workFile_);
    EXPECT_EQ(server_.RequestCount("/never.png"), 1);
}

TEST_F(CaptureFailureTest, ServerThatNeverAnswersEndsWithMinusFour) {
    server_.Route("/silent", {200, "text/html", "", true});
    auto run = CaptureAddress(server_.Url("/silent"), workFile_, AddressCaptureSettings(5000));
    ExpectFailure(*run, -4, workFile_);
}

// Checked before the browser starts: no profile folder is made for it.
TEST_F(CaptureFailureTest, WorkFileThatCannotBeWrittenEndsWithMinusTwo) {
    server_.Route("/page", {200, "text/html", StripedPage(2, 100)});
    const std::wstring cases[] = {
        folder_.file(L"no such folder\\snapshot.jpg"),
        folder_.path(),  // a folder, not a file
    };
    for (const auto& target : cases) {
        SCOPED_TRACE(std::string(target.begin(), target.end()));
        auto run = CaptureAddress(server_.Url("/page"), target, AddressCaptureSettings());
        ExpectFailure(*run, -2, target);
    }
}

// Only web and file addresses (and a blank page) are captured: any other scheme, a script or an
// external protocol's handler, ends at once naming the scheme, before any browser is asked.
TEST_F(CaptureFailureTest, OtherSchemesEndAtOnceWithMinusThree) {
    const struct {
        const wchar_t* address;
        const wchar_t* scheme;
    } cases[] = {
        {L"javascript:alert(document.cookie)", L"\"javascript:\""},
        {L" VBScript:MsgBox(1)", L"\"vbscript:\""},
        {L"res://ieframe.dll/acr_error.htm", L"\"res:\""},
        {L"ms-settings:display", L"\"ms-settings:\""},
        {L"data:text/html,<p>hi", L"\"data:\""},
        {L"about:config", L"\"about:\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.address);
        auto run = CaptureAddress(c.address, workFile_, AddressCaptureSettings());
        ExpectFailure(*run, -3, workFile_);
        EXPECT_NE(run->recorder.finalText().find(c.scheme), std::wstring::npos)
            << testing::Message() << run->recorder.finalText().c_str();
    }
    for (const wchar_t* address :
         {L"http://a.test/", L"HTTPS://a.test/", L"file:///C:/a.html", L"about:blank",
          L"C:\\a.html", L"\\\\server\\share\\a.html", L"example.com", L"localhost:8080/x"})
        EXPECT_FALSE(capture::RefusedScheme(address).has_value()) << address;
}

TEST_F(CaptureFailureTest, BlankAddressCannotBeOpened) {
    auto run = CaptureAddress(L"   ", workFile_, AddressCaptureSettings());
    ExpectFailure(*run, -3, workFile_);
}

// A failed capture leaves an older work file alone only if it never touched it: the window
// deletes the file before each capture, so any file present afterwards must be this capture's.
TEST_F(CaptureFailureTest, FailedCaptureDoesNotReplaceAnExistingFile) {
    const char old[] = "older image";
    WriteFileBytes(workFile_, old, sizeof old);
    server_.Route("/missing", {404, "text/html", ""});
    auto run = CaptureAddress(server_.Url("/missing"), workFile_, AddressCaptureSettings());
    EXPECT_EQ(run->recorder.finalCode(), -3);
    EXPECT_EQ(ReadFileBytes(workFile_).size(), sizeof old);
    EXPECT_EQ(FilesIn(folder_.path()), std::vector<std::wstring>{L"snapshot.jpg"});
}

// A reporter whose first final report throws: the worker still ends the wait with a failure
// instead of taking the browser's process down.
TEST_F(CaptureFailureTest, AnExceptionWhileTellingTheOutcomeStillEndsTheWait) {
    struct ThrowingOnce final : capture::CaptureReporter {
        void Progress(int32_t) override {}
        void Status(std::wstring, int32_t code) override {
            if (code == 0) return;
            if (throws-- > 0) throw std::bad_alloc();
            finals.push_back(code);
        }
        int throws = 1;
        std::vector<int32_t> finals;
    } reporter;
    capture::CaptureRequest request;
    request.address = L"about:blank";
    request.filePath = folder_.file(L"no such folder\\snapshot.jpg");
    request.deadline = capture::Clock::now() + std::chrono::seconds(30);
    capture::CaptureControl control;
    capture::RunCapture(request, control, reporter);
    EXPECT_EQ(reporter.finals, std::vector<int32_t>{-1});
}

}  // namespace
}  // namespace pagelens::test

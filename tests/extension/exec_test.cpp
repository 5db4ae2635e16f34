// Exec, the toolbar command: its failures end in one message box and no window; with an HTML
// document it shows the snapshot window modally, and the next command shows it again.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <thread>

#include "common/text_codepage.h"
#include "standin/automation_runner.h"
#include "standin/snapshot_window_driver.h"
#include "standin/standin_browser.h"
#include "standin/window_queries.h"
#include "tests/extension/extension_fixture.h"
#include "window/control_ids.h"

namespace pagelens::test {
namespace {

class ExtensionExec : public RegisteredExtensionTest {};

using standin::DocumentKind;
using standin::SiteKind;

constexpr GUID kSomeGroup = {
    0x5B0E3C41, 0x7D2A, 0x4C8F, {0x8E, 0x11, 0x22, 0x9A, 0x43, 0x6D, 0x01, 0xB7}};

TEST_F(ExtensionExec, FailuresShowOneErrorBoxOpenNoWindowAndStillSucceed) {
    struct Case {
        const char* name;
        bool giveSite;
        SiteKind site;
        DocumentKind document;
        const GUID* group;
        DWORD commandId;
        DWORD options;
        const wchar_t* text;
    };
    const Case cases[] = {
        {"no site", false, SiteKind::WithBrowser, DocumentKind::Html, nullptr, 0,
         OLECMDEXECOPT_DODEFAULT, L"iePagelens Error: Object required"},
        {"site without a service provider", true, SiteKind::NoServiceProvider, DocumentKind::Html,
         &kSomeGroup, 1, OLECMDEXECOPT_PROMPTUSER, L"iePagelens Error: Object required"},
        {"site whose QueryService fails", true, SiteKind::FailingQueryService, DocumentKind::Html,
         nullptr, 0xFFFF, OLECMDEXECOPT_DONTPROMPTUSER, L"iePagelens Error: Object required"},
        {"browser showing no document", true, SiteKind::WithBrowser, DocumentKind::None, nullptr, 7,
         OLECMDEXECOPT_SHOWHELP, L"iePagelens Error: Object required"},
        {"browser showing a document that is not HTML", true, SiteKind::WithBrowser,
         DocumentKind::Plain, &kSomeGroup, 0, OLECMDEXECOPT_DODEFAULT,
         L"iePagelens Error: Type mismatch"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto extension = CreateExtension();
        ASSERT_TRUE(extension.commands);
        auto browser =
            standin::MakeStandinBrowser(c.document, c.site, L"http://127.0.0.1/page.html", L"Page");
        if (c.giveSite) (void)extension.withSite->SetSite(browser.site.get());

        auto exec = CallWatched([&] {
            return extension.commands->Exec(c.group, c.commandId, c.options, nullptr, nullptr);
        });
        EXPECT_EQ(exec.result, S_OK);
        EXPECT_FALSE(exec.snapshotWindowOpened);
        ASSERT_EQ(exec.boxes.size(), 1u);
        EXPECT_EQ(exec.boxes[0].text, c.text) << ToUtf8(exec.boxes[0].text);
        EXPECT_EQ(exec.boxes[0].caption, L"iePagelens");
        EXPECT_EQ(exec.boxes[0].buttons, std::vector<std::wstring>{L"OK"});
        (void)extension.withSite->SetSite(nullptr);
    }
}

// What a second thread saw of one showing of the snapshot window.
struct Showing {
    std::wstring className;
    std::wstring caption;
    bool execRunningWhenOpen = false;
    std::wstring address;
    std::wstring status;
    bool closed = false;
};

// Waits for the window, reads it once its capture has ended, and closes it with Escape.
Showing DriveOneShowing(const std::atomic<bool>& execRunning) {
    Showing seen;
    standin::AutomationContext context{
        {}, {}, [&] { return execRunning.load(); }, std::chrono::seconds(90)};
    const standin::Step waitCapture{standin::StepKind::WaitCapture};
    if (!standin::RunSteps({&waitCapture, 1}, context).ok()) return seen;
    HWND window = standin::FindSnapshotWindow();
    if (!window) return seen;
    seen.execRunningWhenOpen = execRunning;
    seen.className = standin::ClassNameOf(window);
    seen.caption = standin::WindowText(window);
    seen.address = standin::ReadControlText(window, ids::txtAddress).value_or(L"<none>");
    seen.status = standin::ReadStatusText(window).value_or(L"<none>");
    const standin::Step close{standin::StepKind::Close};
    seen.closed = standin::RunSteps({&close, 1}, context).ok();
    return seen;
}

// Should the driving fail, the window must still go, or Exec would hold the test for ever: the
// close box is pressed until Exec returns, and a window that outlives that ends the program.
void CloseWhateverIsLeft(const std::atomic<bool>& execRunning) {
    for (int attempt = 0; execRunning && attempt < 300; ++attempt) {
        if (HWND window = standin::FindSnapshotWindow()) PostMessageW(window, WM_CLOSE, 0, 0);
        Sleep(200);
    }
    if (execRunning) {
        fprintf(stderr, "The snapshot window cannot be closed; Exec does not return.\n");
        fflush(stderr);
        ExitProcess(1);
    }
}

TEST_F(ExtensionExec, ShowsTheSnapshotWindowModallyAndAgainOnTheNextCommand) {
    const std::wstring addresses[] = {L"data:text/html,<h1>First page</h1>",
                                      L"data:text/html,<h1>Second page</h1>"};
    auto first = standin::MakeStandinBrowser(DocumentKind::Html, SiteKind::WithBrowser,
                                             addresses[0], L"First");
    auto second = standin::MakeStandinBrowser(DocumentKind::Html, SiteKind::WithBrowser,
                                              addresses[1], L"Second");
    const ULONG firstBase = ReferenceCount(first.browser.get());
    auto extension = CreateExtension();
    ASSERT_TRUE(extension.commands);
    standin::MessageBoxWatcher boxes;

    const standin::StandinBrowser* browsers[] = {&first, &second};
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(i);
        ASSERT_EQ(extension.withSite->SetSite(browsers[i]->site.get()), S_OK);
        std::atomic<bool> execRunning{true};
        Showing seen;
        std::thread driver([&] {
            seen = DriveOneShowing(execRunning);
            CloseWhateverIsLeft(execRunning);
        });
        HRESULT hr =
            extension.commands->Exec(nullptr, 0, OLECMDEXECOPT_DODEFAULT, nullptr, nullptr);
        execRunning = false;
        driver.join();

        EXPECT_EQ(hr, S_OK);
        EXPECT_EQ(seen.className, ids::kSnapshotWindowClass);
        EXPECT_EQ(seen.caption, ids::kSnapshotWindowCaption);
        EXPECT_TRUE(seen.execRunningWhenOpen) << "Exec returned while the window was open";
        // The load ran again: the capture took this browser's page.
        EXPECT_EQ(seen.address, addresses[i]);
        EXPECT_EQ(seen.status, standin::kCaptureSucceeded) << ToUtf8(seen.status);
        EXPECT_TRUE(seen.closed);
        EXPECT_EQ(standin::FindSnapshotWindow(), nullptr);
    }
    EXPECT_TRUE(boxes.Seen().empty()) << ToUtf8(standin::DescribeMessageBox(boxes.Seen()[0]));
    // The second command let go of the first browser; only we and its site hold it now.
    EXPECT_EQ(ReferenceCount(first.browser.get()), firstBase);
    EXPECT_EQ(extension.withSite->SetSite(nullptr), S_OK);
}

}  // namespace
}  // namespace pagelens::test

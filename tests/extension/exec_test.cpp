// Exec, the toolbar command: its failures end in one message box and no window; with an HTML
// document it shows the snapshot window modally, and the next command shows it again. And the
// keyboard shortcut of a helper object, typed through SendInput into a tab of its own thread.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <future>
#include <memory>
#include <thread>

#include "common/text_codepage.h"
#include "common/unique_handle.h"
#include "standin/automation_runner.h"
#include "standin/snapshot_window_driver.h"
#include "standin/standin_browser.h"
#include "standin/window_queries.h"
#include "tests/extension/extension_fixture.h"
#include "tests/support/registry_guards.h"
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

// One browser tab as IE runs it: a thread of its own with the stand-in browser showing the drawn
// page, the extension created as a helper object (SetSite given the browser, never Exec), and
// the thread's message loop. Work for the tab is posted to its thread as a thread message, so
// it must not be asked while a modal window of the tab runs its own loop.
class Tab {
public:
    explicit Tab(std::wstring address) : address_(std::move(address)) {
        std::promise<void> ready;
        thread_ = std::thread([this, &ready] { Main(ready); });
        ready.get_future().wait();
    }
    ~Tab() { (void)End(); }

    // Ends the tab's thread as IE ends a closed tab's: false when it did not end within the limit
    // (it is then left running).
    bool End() {
        if (!thread_.joinable()) return true;
        UniqueHandleK handle(OpenThread(SYNCHRONIZE, FALSE, threadId_));
        PostThreadMessageW(threadId_, WM_QUIT, 0, 0);
        if (!handle || WaitForSingleObject(handle.get(), 20000) != WAIT_OBJECT_0) {
            thread_.detach();
            return false;
        }
        thread_.join();
        return true;
    }

    // Runs `work` on the tab's thread; false when it did not run within the limit.
    bool Run(std::function<void()> work) {
        auto done = std::make_shared<std::promise<void>>();
        auto future = done->get_future();
        auto* task = new std::function<void()>([work, done] {
            work();
            done->set_value();
        });
        if (!PostThreadMessageW(threadId_, kRunTask, 0, reinterpret_cast<LPARAM>(task)))
            return false;
        return future.wait_for(std::chrono::seconds(20)) == std::future_status::ready;
    }

    // The page's view gets the keyboard: its frame the foreground window, the view the focus.
    bool Focus() {
        bool focused = false;
        Run([&] {
            SetForegroundWindow(browser_.frame.get());
            SetFocus(browser_.drawnPage->view());
            focused = GetFocus() == browser_.drawnPage->view();
        });
        return focused && GetForegroundWindow() == browser_.frame.get();
    }

    DWORD threadId() const { return threadId_; }
    const std::wstring& address() const { return address_; }
    const standin::DrawnPage& page() const { return *browser_.drawnPage; }
    IObjectWithSite* extension() { return extension_.withSite.get(); }

private:
    static constexpr UINT kRunTask = WM_APP + 40;

    void Main(std::promise<void>& ready) {
        OleInitialize(nullptr);
        threadId_ = GetCurrentThreadId();
        MSG msg;
        PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);  // the queue, for thread messages
        browser_ = standin::MakeStandinBrowser(DocumentKind::Drawn, SiteKind::WithBrowser, address_,
                                               L"Tab");
        extension_ = CreateExtension();
        // As IE gives a helper object its site: the browser itself.
        if (extension_.withSite) extension_.withSite->SetSite(browser_.browser.get());
        ready.set_value();
        while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
            if (!msg.hwnd && msg.message == kRunTask) {
                std::unique_ptr<std::function<void()>> task(
                    reinterpret_cast<std::function<void()>*>(msg.lParam));
                (*task)();
                continue;
            }
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        TearDown();
        OleUninitialize();
    }

    void TearDown() {
        if (extension_.withSite) extension_.withSite->SetSite(nullptr);
        extension_ = {};
        browser_ = {};
    }

    std::wstring address_;
    std::thread thread_;
    DWORD threadId_ = 0;
    standin::StandinBrowser browser_;
    ExtensionObject extension_;
};

// What the loaded library answers COM's question whether it may be unloaded.
HRESULT LibraryCanUnloadNow() {
    HMODULE library = GetModuleHandleW(ExtensionDllPath().c_str());
    if (!library) return S_OK;  // already unloaded
    auto canUnload =
        reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(GetProcAddress(library, "DllCanUnloadNow"));
    return canUnload ? canUnload() : E_FAIL;
}

// Presses the keys in order and releases them in reverse, as a user's fingers do.
UINT Type(const std::vector<WORD>& keys) {
    std::vector<INPUT> inputs;
    for (WORD key : keys) inputs.push_back({INPUT_KEYBOARD, {.ki = {key, 0, 0, 0, 0}}});
    for (auto it = keys.rbegin(); it != keys.rend(); ++it)
        inputs.push_back({INPUT_KEYBOARD, {.ki = {*it, 0, KEYEVENTF_KEYUP, 0, 0}}});
    return SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

HWND SnapshotWindowOf(DWORD thread) {
    HWND window = standin::FindSnapshotWindow();
    return window && GetWindowThreadProcessId(window, nullptr) == thread ? window : nullptr;
}

template <typename Condition>
bool WaitFor(Condition condition) {
    for (int i = 0; i < 600; ++i) {
        if (condition()) return true;
        Sleep(50);
    }
    return false;
}

// What a shortcut's window showed: read once its capture ended, before Escape closed it.
struct ShortcutShowing {
    bool opened = false;
    std::wstring address;
    std::wstring status;
    int typedKeysBeforeEscape = -1;
    bool closedByEscape = false;
};

ShortcutShowing WatchShowing(Tab& tab) {
    ShortcutShowing seen;
    HWND window = nullptr;
    seen.opened = WaitFor([&] { return (window = SnapshotWindowOf(tab.threadId())) != nullptr; });
    if (!seen.opened) return seen;
    standin::AutomationContext context{{}, {}, [] { return true; }, std::chrono::seconds(90)};
    const standin::Step waitCapture{standin::StepKind::WaitCapture};
    (void)standin::RunSteps({&waitCapture, 1}, context);
    seen.address = standin::ReadControlText(window, ids::txtAddress).value_or(L"<none>");
    seen.status = standin::ReadStatusText(window).value_or(L"<none>");
    seen.typedKeysBeforeEscape = tab.page().typedKeys();
    Type({VK_ESCAPE});
    seen.closedByEscape = WaitFor([&] { return !IsWindowVisible(window); });
    if (!seen.closedByEscape) {
        PostMessageW(window, WM_CLOSE, 0, 0);
        if (!WaitFor([&] { return !IsWindowVisible(window); })) {
            fprintf(stderr, "The snapshot window cannot be closed.\n");
            ExitProcess(1);
        }
    }
    return seen;
}

class ExtensionShortcut : public RegisteredExtensionTest {
protected:
    test::UserSettingsGuard settings_;

    static void StoreShortcut(const wchar_t* text) {
        RegDeleteKeyValueW(HKEY_CURRENT_USER, L"Software\\Velmora\\iePagelens\\Settings",
                           L"Shortcut");
        if (text)
            RegSetKeyValueW(HKEY_CURRENT_USER, L"Software\\Velmora\\iePagelens\\Settings",
                            L"Shortcut", REG_SZ, text,
                            static_cast<DWORD>((wcslen(text) + 1) * sizeof(wchar_t)));
    }
};

const std::vector<WORD> kCtrlShiftS = {VK_CONTROL, VK_SHIFT, 'S'};

TEST_F(ExtensionShortcut, TypedShortcutOpensTheWindowOverTheTabAndGoesNoFurther) {
    struct Case {
        const char* name;
        const wchar_t* setting;  // null: none stored
        std::vector<WORD> keys;
        bool releaseFirst;  // SetSite(NULL) on the thread's only object before typing
        bool opens;
    };
    const Case cases[] = {
        {"default", nullptr, kCtrlShiftS, false, true},
        {"changed", L"Ctrl+Alt+P", {VK_CONTROL, VK_MENU, 'P'}, false, true},
        {"changed: the default no longer", L"Ctrl+Alt+P", kCtrlShiftS, false, false},
        {"turned off", L"", kCtrlShiftS, false, false},
        {"the last object let go", nullptr, kCtrlShiftS, true, false},
    };
    standin::MessageBoxWatcher boxes;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        StoreShortcut(c.setting);
        Tab tab(L"http://intranet.example/tab.html");
        ASSERT_TRUE(tab.extension());
        if (c.releaseFirst) {
            ASSERT_TRUE(tab.Run([&] { tab.extension()->SetSite(nullptr); }));
        }
        ASSERT_TRUE(tab.Focus()) << "the page cannot be given the keyboard";
        ASSERT_EQ(Type(c.keys), c.keys.size() * 2);
        if (c.opens) {
            const ShortcutShowing seen = WatchShowing(tab);
            ASSERT_TRUE(seen.opened);
            EXPECT_EQ(seen.address, tab.address());
            EXPECT_EQ(seen.status, standin::kCaptureSucceeded) << ToUtf8(seen.status);
            EXPECT_EQ(seen.typedKeysBeforeEscape, 0) << "the key reached the page";
            EXPECT_TRUE(seen.closedByEscape);
            int draws = 0;
            ASSERT_TRUE(tab.Run([&] { draws = tab.page().draws(); }));
            EXPECT_GT(draws, 0) << "the tab's own document drew the image";
            // A closed tab's thread lets go of its objects and ends, and nothing of ours stays. A
            // thread whose exit hangs in the loader holds every later thread's start, and the
            // program's own exit: it is ended at once.
            if (!tab.End()) {
                fprintf(stderr, "A tab's thread that showed the snapshot window did not end.\n");
                fflush(stderr);
                TerminateProcess(GetCurrentProcess(), 1);
            }
            EXPECT_EQ(LibraryCanUnloadNow(), S_OK);
        } else {
            // The key reaching the page shows the hook let it pass; the loop then has seen
            // whatever the hook could have posted.
            EXPECT_TRUE(WaitFor([&] { return tab.page().typedKeys() > 0; }));
            EXPECT_TRUE(tab.Run([] {})) << "a window opened after all";
            EXPECT_EQ(SnapshotWindowOf(tab.threadId()), nullptr);
        }
    }
    EXPECT_TRUE(boxes.Seen().empty()) << ToUtf8(standin::DescribeMessageBox(boxes.Seen()[0]));
}

TEST_F(ExtensionShortcut, EachTabOpensItsOwnWindowForItsOwnPage) {
    StoreShortcut(nullptr);
    Tab first(L"http://intranet.example/first.html");
    Tab second(L"http://intranet.example/second.html");
    ASSERT_TRUE(second.Focus());
    ASSERT_EQ(Type(kCtrlShiftS), 6u);
    const ShortcutShowing seen = WatchShowing(second);
    // Where the keys went, should the window not come: a rare failure under Wine.
    ASSERT_TRUE(seen.opened) << "keys reached the first tab's page: " << first.page().typedKeys()
                             << ", the second's: " << second.page().typedKeys()
                             << "; a window opened in the first tab: "
                             << (SnapshotWindowOf(first.threadId()) != nullptr);
    EXPECT_EQ(seen.address, second.address());
    EXPECT_EQ(seen.status, standin::kCaptureSucceeded) << ToUtf8(seen.status);
    EXPECT_EQ(SnapshotWindowOf(first.threadId()), nullptr);
    int draws = -1;
    ASSERT_TRUE(first.Run([&] { draws = first.page().draws(); }));
    EXPECT_EQ(draws, 0) << "the other tab's page was captured";
}

}  // namespace
}  // namespace pagelens::test

// The About window driven through its modal loop: each test gives a list of steps that run one
// per timer tick while ShowAboutWindow waits, so that posted keys go through the loop's own
// dialog-key handling as a user's would.
#include "about/about_window.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "about/about_ids.h"
#include "common/unique_handle.h"
#include "tests/about/shell_recorder.h"
#include "ui/open_windows.h"

namespace pagelens {
namespace {

using namespace about_ids;
using Step = std::function<void(HWND about)>;

std::wstring ClassOf(HWND hwnd) {
    wchar_t name[64] = {};
    GetClassNameW(hwnd, name, 64);
    return name;
}

std::wstring TextOf(HWND hwnd) {
    wchar_t text[512] = {};
    GetWindowTextW(hwnd, text, 512);
    return text;
}

// The thread's open About window, found through the list of open windows.
HWND OpenAboutWindow() {
    for (HWND hwnd : OpenWindows())
        if (ClassOf(hwnd) == kAboutWindowClass) return hwnd;
    return nullptr;
}

int OpenAboutWindowCount() {
    int count = 0;
    for (HWND hwnd : OpenWindows()) count += ClassOf(hwnd) == kAboutWindowClass;
    return count;
}

struct Script {
    std::vector<Step> steps;
    size_t next = 0;
    int idleTicks = 0;
    bool forcedClose = false;
};
Script* gScript = nullptr;

void CALLBACK ScriptTick(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND about = OpenAboutWindow();
    if (gScript->next < gScript->steps.size()) {
        gScript->steps[gScript->next++](about);
        return;
    }
    // Every step has run: the window should be gone; end it if it is not, so no test hangs.
    if (about && ++gScript->idleTicks > 100) {
        gScript->forcedClose = true;
        DestroyWindow(about);
    }
    if (!about) KillTimer(nullptr, timer);
}

// Shows the About window and runs `steps` inside its modal loop; the window must close by them.
void ShowAboutRunning(HWND owner, std::vector<Step> steps) {
    Script script{std::move(steps)};
    gScript = &script;
    UINT_PTR timer = SetTimer(nullptr, 0, 30, &ScriptTick);
    Status shown = ShowAboutWindow(owner);
    KillTimer(nullptr, timer);
    gScript = nullptr;
    EXPECT_TRUE(shown.ok()) << (shown.ok() ? "" : testing::PrintToString(shown.error().number));
    EXPECT_EQ(script.next, script.steps.size()) << "the window closed before every step ran";
    EXPECT_FALSE(script.forcedClose) << "the window did not close";
}

void PostKeyToFocus(WPARAM key) {
    HWND focus = GetFocus();
    PostMessageW(focus, WM_KEYDOWN, key, 1);
    PostMessageW(focus, WM_KEYUP, key, 1 | (3u << 30));
}

void Click(HWND control) {
    SendMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
    SendMessageW(control, WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
}

class AboutWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        owner_.reset(CreateWindowExW(0, L"STATIC", L"owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50,
                                     50, 800, 600, nullptr, nullptr, GetModuleHandleW(nullptr),
                                     nullptr));
        ASSERT_TRUE(owner_);
    }
    void TearDown() override {
        EXPECT_EQ(OpenAboutWindowCount(), 0) << "the About window left the open-windows list";
        EXPECT_TRUE(IsWindowEnabled(owner_.get())) << "the owner is enabled again";
    }
    HWND owner() const { return owner_.get(); }

    UniqueHwnd owner_;
};

TEST_F(AboutWindowTest, LoadsItsTextsAndRunsModallyOverItsOwner) {
    ShowAboutRunning(
        owner(), {
                     [&](HWND about) {
                         ASSERT_NE(about, nullptr);
                         EXPECT_EQ(OpenAboutWindowCount(), 1);
                         EXPECT_EQ(GetWindow(about, GW_OWNER), owner());
                         EXPECT_FALSE(IsWindowEnabled(owner()));
                         EXPECT_TRUE(IsWindowVisible(about));
                         EXPECT_EQ(TextOf(about), L"About iePagelens");
                         const struct {
                             int id;
                             const wchar_t* text;
                         } texts[] = {
                             {lblTitle, L"iePagelens"},
                             {lblVersion, L"Version 2.3.7"},
                             {Label9, L"Website address:"},
                             {lblVelmora, L"www.velmora.example"},
                             {Label10, L"Support Email:"},
                             {lblSupportEmail, L"support@velmora.example"},
                             {Label11, L"Sales Emails:"},
                             {lblSalesEmail, L"sales@velmora.example"},
                             {cmdOK, L"OK"},
                         };
                         for (const auto& t : texts)
                             EXPECT_EQ(TextOf(GetDlgItem(about, t.id)), t.text);
                         EXPECT_FALSE(TextOf(GetDlgItem(about, Label8)).empty());
                         EXPECT_FALSE(TextOf(GetDlgItem(about, lblDisclaimer)).empty());
                         EXPECT_EQ(GetFocus(), GetDlgItem(about, cmdOK));
                         // The links look like links: underlined, with the hand pointer.
                         HWND link = GetDlgItem(about, lblVelmora);
                         LOGFONTW font{};
                         GetObjectW(reinterpret_cast<HFONT>(SendMessageW(link, WM_GETFONT, 0, 0)),
                                    sizeof font, &font);
                         EXPECT_TRUE(font.lfUnderline);
                         EXPECT_EQ(reinterpret_cast<HCURSOR>(GetClassLongPtrW(link, GCLP_HCURSOR)),
                                   LoadCursorW(nullptr, IDC_HAND));
                     },
                     [](HWND about) { SendMessageW(GetDlgItem(about, cmdOK), BM_CLICK, 0, 0); },
                 });
}

TEST_F(AboutWindowTest, EscapeAndEnterCloseItWhicheverControlHasTheFocus) {
    for (int focusId : {int(cmdOK), int(lblVelmora), int(lblSalesEmail)}) {
        for (WPARAM key : {WPARAM(VK_ESCAPE), WPARAM(VK_RETURN)}) {
            SCOPED_TRACE("focus " + std::to_string(focusId) + ", key " + std::to_string(key));
            test::ShellRecorder shell;
            ShowAboutRunning(owner(), {
                                          [&](HWND about) {
                                              SetFocus(GetDlgItem(about, focusId));
                                              ASSERT_EQ(GetFocus(), GetDlgItem(about, focusId));
                                              PostKeyToFocus(key);
                                          },
                                      });
            EXPECT_TRUE(shell.calls().empty()) << "a key that closes opens no link";
        }
    }
}

TEST_F(AboutWindowTest, EachLinkOpensItsTargetOncePerClick) {
    const struct {
        int id;
        const char* target;
    } links[] = {
        {lblVelmora, "http://www.velmora.example/"},
        {lblSupportEmail, "mailto:support@velmora.example"},
        {lblSalesEmail, "mailto:sales@velmora.example"},
    };
    for (const auto& link : links) {
        SCOPED_TRACE(link.target);
        test::ShellRecorder shell(2);  // a shell that fails changes nothing
        ShowAboutRunning(owner(), {
                                      [&](HWND about) { Click(GetDlgItem(about, link.id)); },
                                      [&](HWND about) {
                                          EXPECT_EQ(shell.calls().size(), 1u);
                                          Click(GetDlgItem(about, link.id));
                                      },
                                      [&](HWND about) {
                                          EXPECT_EQ(shell.calls().size(), 2u);
                                          EXPECT_EQ(GetFocus(), GetDlgItem(about, link.id));
                                          PostKeyToFocus(VK_SPACE);
                                      },
                                      [&](HWND about) {
                                          EXPECT_EQ(shell.calls().size(), 3u);
                                          ASSERT_TRUE(IsWindow(about))
                                              << "opening a link leaves the window open";
                                          PostMessageW(about, WM_CLOSE, 0, 0);
                                      },
                                  });
        ASSERT_EQ(shell.calls().size(), 3u);
        for (const test::ShellCall& call : shell.calls()) {
            EXPECT_EQ(call.owner, nullptr);
            EXPECT_EQ(call.verb, "Open");
            EXPECT_EQ(call.file, link.target);
            EXPECT_EQ(call.parameters, std::nullopt);
            EXPECT_EQ(call.folder, std::nullopt);
            EXPECT_EQ(call.show, 0);
        }
    }
}

TEST_F(AboutWindowTest, DestroyedFromOutsideEndsTheModalLoop) {
    // The snapshot window's unload ends the other open windows by DestroyWindow or WM_CLOSE.
    const std::function<void(HWND)> endings[] = {
        [](HWND about) { DestroyWindow(about); },
        [](HWND about) { SendMessageW(about, WM_CLOSE, 0, 0); },
        [](HWND about) { PostMessageW(about, WM_CLOSE, 0, 0); },
    };
    for (const auto& end : endings) {
        ShowAboutRunning(owner(), {
                                      [&](HWND about) {
                                          ASSERT_NE(about, nullptr);
                                          ASSERT_EQ(OpenWindows().back(), about);
                                          end(about);
                                      },
                                  });
    }
}

TEST_F(AboutWindowTest, ASecondShowingBringsTheOpenOneForward) {
    ShowAboutRunning(owner(), {
                                  [&](HWND about) {
                                      EXPECT_TRUE(ShowAboutWindow(owner()).ok());
                                      EXPECT_EQ(OpenAboutWindowCount(), 1);
                                      EXPECT_TRUE(IsWindow(about));
                                      SendMessageW(about, WM_CLOSE, 0, 0);
                                  },
                              });
}

}  // namespace
}  // namespace pagelens

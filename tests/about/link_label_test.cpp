#include "about/link_label.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "about/about_ids.h"
#include "common/unique_handle.h"

namespace pagelens {
namespace {

constexpr int kLinkId = 77;
std::vector<WPARAM> gCommands;

LRESULT CALLBACK ParentProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND) gCommands.push_back(wParam);
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

class LinkLabelTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(RegisterLinkLabelClass().ok());
        WNDCLASSW parentClass{};
        parentClass.lpfnWndProc = &ParentProc;
        parentClass.hInstance = GetModuleHandleW(nullptr);
        parentClass.lpszClassName = L"LinkLabelTestParent";
        RegisterClassW(&parentClass);
        parent_.reset(CreateWindowExW(0, L"LinkLabelTestParent", L"parent",
                                      WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 300, 100, nullptr,
                                      nullptr, GetModuleHandleW(nullptr), nullptr));
        ASSERT_TRUE(parent_);
        link_ =
            CreateWindowExW(0, about_ids::kLinkLabelClass, L"www.velmora.example",
                            WS_CHILD | WS_VISIBLE | WS_TABSTOP, 10, 10, 200, 20, parent_.get(),
                            reinterpret_cast<HMENU>(kLinkId), GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(link_, nullptr);
        gCommands.clear();
    }

    UniqueHwnd parent_;
    HWND link_ = nullptr;
};

LPARAM At(int x, int y) { return MAKELPARAM(x, y); }

TEST_F(LinkLabelTest, ActivatesOnAClickInsideOrSpaceOnly) {
    const struct {
        const char* name;
        std::function<void(HWND)> input;
        size_t clicks;
    } cases[] = {
        {"click inside",
         [](HWND link) {
             SendMessageW(link, WM_LBUTTONDOWN, MK_LBUTTON, At(5, 5));
             SendMessageW(link, WM_LBUTTONUP, 0, At(6, 5));
         },
         1},
        {"released outside",
         [](HWND link) {
             SendMessageW(link, WM_LBUTTONDOWN, MK_LBUTTON, At(5, 5));
             SendMessageW(link, WM_LBUTTONUP, 0, At(250, 5));
         },
         0},
        {"release without press", [](HWND link) { SendMessageW(link, WM_LBUTTONUP, 0, At(5, 5)); },
         0},
        {"space", [](HWND link) { SendMessageW(link, WM_KEYDOWN, VK_SPACE, 1); }, 1},
        {"space held down",
         [](HWND link) { SendMessageW(link, WM_KEYDOWN, VK_SPACE, 1 | (1 << 30)); }, 0},
        {"other key", [](HWND link) { SendMessageW(link, WM_KEYDOWN, 'A', 1); }, 0},
        {"disabled",
         [](HWND link) {
             EnableWindow(link, FALSE);
             SendMessageW(link, WM_KEYDOWN, VK_SPACE, 1);
             EnableWindow(link, TRUE);
         },
         0},
    };
    for (const auto& c : cases) {
        gCommands.clear();
        c.input(link_);
        ASSERT_EQ(gCommands.size(), c.clicks) << c.name;
        if (c.clicks) {
            EXPECT_EQ(gCommands[0], MAKEWPARAM(kLinkId, STN_CLICKED)) << c.name;
        }
    }
}

TEST_F(LinkLabelTest, ClickTakesTheFocus) {
    SetFocus(parent_.get());
    SendMessageW(link_, WM_LBUTTONDOWN, MK_LBUTTON, At(5, 5));
    EXPECT_EQ(GetFocus(), link_);
    SendMessageW(link_, WM_LBUTTONUP, 0, At(5, 5));
    EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(LinkLabelTest, LooksLikeALink) {
    SendMessageW(link_, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)),
                 FALSE);
    auto font = reinterpret_cast<HFONT>(SendMessageW(link_, WM_GETFONT, 0, 0));
    ASSERT_NE(font, nullptr);
    LOGFONTW logFont{};
    ASSERT_TRUE(GetObjectW(font, sizeof logFont, &logFont));
    EXPECT_TRUE(logFont.lfUnderline);
    EXPECT_EQ(reinterpret_cast<HCURSOR>(GetClassLongPtrW(link_, GCLP_HCURSOR)),
              LoadCursorW(nullptr, IDC_HAND));

    // Blue text: some pixel of the painted label is the link colour.
    HDC screen = GetDC(nullptr);
    UniqueHdc memory(CreateCompatibleDC(screen));
    UniqueHbitmap bitmap(CreateCompatibleBitmap(screen, 200, 20));
    ReleaseDC(nullptr, screen);
    SelectGuard select(memory.get(), bitmap.get());
    SendMessageW(link_, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(memory.get()), PRF_CLIENT);
    int blue = 0;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 200; ++x)
            if (GetPixel(memory.get(), x, y) == RGB(0, 0, 238)) ++blue;
    EXPECT_GT(blue, 20);
}

TEST_F(LinkLabelTest, FitsItsWidthToTheText) {
    FitLinkLabelToText(link_);
    RECT shortBox;
    GetClientRect(link_, &shortBox);
    SetWindowTextW(link_, L"a much longer address than before");
    FitLinkLabelToText(link_);
    RECT longBox;
    GetClientRect(link_, &longBox);
    EXPECT_GT(shortBox.right, 20);
    EXPECT_GT(longBox.right, shortBox.right);
    EXPECT_EQ(longBox.bottom, 20);
}

}  // namespace
}  // namespace pagelens

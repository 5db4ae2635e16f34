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

}  // namespace
}  // namespace pagelens

#include "ui/status_bar.h"

#include <commctrl.h>

#include <algorithm>

#include "common/module.h"

namespace pagelens {
namespace {
constexpr int kProgressPanelWidth = 90;
}

bool StatusBar::Create(HWND parent, int id) {
    hwnd_ = CreateWindowExW(0, STATUSCLASSNAMEW, L"", WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0, 0,
                            0, 0, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                            ThisModule(), nullptr);
    Dock();
    return hwnd_ != nullptr;
}

void StatusBar::SetPanelText(int panel, const std::wstring& text) {
    if (!hwnd_) return;
    SendMessageW(hwnd_, SB_SETTEXTW, static_cast<WPARAM>(panel - 1),
                 reinterpret_cast<LPARAM>(text.c_str()));
    UpdateWindow(hwnd_);
}

std::wstring StatusBar::PanelText(int panel) const {
    if (!hwnd_) return {};
    LRESULT info = SendMessageW(hwnd_, SB_GETTEXTLENGTHW, static_cast<WPARAM>(panel - 1), 0);
    std::wstring text(LOWORD(info) + 1, L'\0');
    SendMessageW(hwnd_, SB_GETTEXTW, static_cast<WPARAM>(panel - 1),
                 reinterpret_cast<LPARAM>(text.data()));
    text.resize(LOWORD(info));
    return text;
}

void StatusBar::Dock() {
    if (!hwnd_) return;
    SendMessageW(hwnd_, WM_SIZE, 0, 0);
    RECT client;
    GetClientRect(GetParent(hwnd_), &client);
    int edges[2] = {std::max(0, static_cast<int>(client.right) - kProgressPanelWidth), -1};
    SendMessageW(hwnd_, SB_SETPARTS, 2, reinterpret_cast<LPARAM>(edges));
}

void StatusBar::SetHeightPixels(int height) {
    if (!hwnd_) return;
    // SB_SETMINHEIGHT leaves the borders out, and their size depends on the theme: measure once.
    SendMessageW(hwnd_, SB_SETMINHEIGHT, height, 0);
    Dock();
    const int overshoot = HeightPixels() - height;
    if (overshoot == 0) return;
    SendMessageW(hwnd_, SB_SETMINHEIGHT, std::max(1, height - overshoot), 0);
    Dock();
}

int StatusBar::HeightPixels() const {
    if (!hwnd_) return 0;
    RECT rect;
    GetWindowRect(hwnd_, &rect);
    return rect.bottom - rect.top;
}

}  // namespace pagelens

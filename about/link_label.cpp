#include "about/link_label.h"

#include <new>
#include <string>

#include "about/about_ids.h"
#include "common/com_boundary.h"
#include "common/module.h"
#include "common/unique_handle.h"
#include "common/window_class.h"

namespace pagelens {
namespace {

constexpr COLORREF kLinkColor = RGB(0, 0, 238);
// Room between the text and the focus rectangle.
constexpr int kTextMargin = 2;

class LinkLabel final {
public:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

private:
    explicit LinkLabel(HWND hwnd) : hwnd_(hwnd) {}

    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void OnSetFont(HFONT font, bool redraw);
    void OnButtonDown();
    void OnButtonUp(POINT point);
    void PaintContent(HDC dc);
    void NotifyParent();

    HWND hwnd_;
    UniqueHfont font_;
    bool pressed_ = false;
};

LRESULT CALLBACK LinkLabel::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    // The window owns its LinkLabel: made at WM_NCCREATE, deleted at WM_NCDESTROY.
    if (message == WM_NCCREATE) {
        auto* created = new (std::nothrow) LinkLabel(hwnd);
        if (!created) return FALSE;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(created));
    }
    auto* self = reinterpret_cast<LinkLabel*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self) return DefWindowProcW(hwnd, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        delete self;
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
    return AtWindowBoundary(hwnd, message, wParam, lParam,
                            [&] { return self->HandleMessage(message, wParam, lParam); });
}

LRESULT LinkLabel::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_SETFONT:
            OnSetFont(reinterpret_cast<HFONT>(wParam), LOWORD(lParam) != 0);
            return 0;
        case WM_GETFONT:
            return reinterpret_cast<LRESULT>(font_.get());
        case WM_PAINT: {
            PaintScope paint(hwnd_);
            PaintContent(paint.dc());
            return 0;
        }
        case WM_PRINTCLIENT:
            PaintContent(reinterpret_cast<HDC>(wParam));
            return 0;
        case WM_SETTEXT:
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
        case WM_ENABLE: {
            LRESULT result = DefWindowProcW(hwnd_, message, wParam, lParam);
            InvalidateRect(hwnd_, nullptr, TRUE);
            return result;
        }
        case WM_LBUTTONDOWN:
            OnButtonDown();
            return 0;
        case WM_LBUTTONUP:
            OnButtonUp(
                POINT{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))});
            return 0;
        case WM_CAPTURECHANGED:
            pressed_ = false;
            return 0;
        case WM_KEYDOWN:
            // Bit 30 marks auto-repeat: holding Space opens the target once.
            if (wParam == VK_SPACE && !(lParam & (1 << 30))) NotifyParent();
            return 0;
    }
    return DefWindowProcW(hwnd_, message, wParam, lParam);
}

void LinkLabel::OnSetFont(HFONT font, bool redraw) {
    LOGFONTW logFont{};
    if (!font || !GetObjectW(font, sizeof logFont, &logFont))
        GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof logFont, &logFont);
    logFont.lfUnderline = TRUE;
    font_.reset(CreateFontIndirectW(&logFont));
    if (redraw) InvalidateRect(hwnd_, nullptr, TRUE);
}

void LinkLabel::OnButtonDown() {
    SetFocus(hwnd_);
    SetCapture(hwnd_);
    pressed_ = true;
}

void LinkLabel::OnButtonUp(POINT point) {
    if (!pressed_) return;
    pressed_ = false;
    ReleaseCapture();
    RECT client;
    GetClientRect(hwnd_, &client);
    // Releasing the button outside the label cancels the click, as with a button.
    if (PtInRect(&client, point)) NotifyParent();
}

void LinkLabel::NotifyParent() {
    if (!IsWindowEnabled(hwnd_)) return;
    const int id = GetDlgCtrlID(hwnd_);
    SendMessageW(GetParent(hwnd_), WM_COMMAND, MAKEWPARAM(id, STN_CLICKED),
                 reinterpret_cast<LPARAM>(hwnd_));
}

void LinkLabel::PaintContent(HDC dc) {
    RECT client;
    GetClientRect(hwnd_, &client);
    // The parent chooses the background, as it does for its static labels.
    auto brush = reinterpret_cast<HBRUSH>(SendMessageW(GetParent(hwnd_), WM_CTLCOLORSTATIC,
                                                       reinterpret_cast<WPARAM>(dc),
                                                       reinterpret_cast<LPARAM>(hwnd_)));
    FillRect(dc, &client, brush ? brush : GetSysColorBrush(COLOR_BTNFACE));

    const int length = GetWindowTextLengthW(hwnd_);
    std::wstring text(length + 1, L'\0');
    text.resize(GetWindowTextW(hwnd_, text.data(), length + 1));

    SelectGuard selectFont(dc, font_ ? font_.get() : GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, IsWindowEnabled(hwnd_) ? kLinkColor : GetSysColor(COLOR_GRAYTEXT));
    RECT textBox = client;
    textBox.left += kTextMargin;
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &textBox,
              DT_LEFT | DT_SINGLELINE | DT_TOP | DT_NOPREFIX);
    if (GetFocus() == hwnd_) DrawFocusRect(dc, &client);
}

}  // namespace

Status RegisterLinkLabelClass() {
    return RegisterWindowClass({.name = about_ids::kLinkLabelClass,
                                .procedure = &LinkLabel::WindowProc,
                                .cursor = IDC_HAND});
}

void FitLinkLabelToText(HWND link) {
    const int length = GetWindowTextLengthW(link);
    std::wstring text(length + 1, L'\0');
    text.resize(GetWindowTextW(link, text.data(), length + 1));
    WindowDc dc(link);
    auto font = reinterpret_cast<HFONT>(SendMessageW(link, WM_GETFONT, 0, 0));
    SelectGuard selectFont(dc.get(), font ? font : GetStockObject(DEFAULT_GUI_FONT));
    // Measured the way it is drawn, so that the measure and the drawing agree.
    RECT measured{};
    DrawTextW(dc.get(), text.c_str(), static_cast<int>(text.size()), &measured,
              DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    RECT box;
    GetClientRect(link, &box);
    SetWindowPos(link, nullptr, 0, 0, measured.right + 2 * kTextMargin, box.bottom,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace pagelens

// The stand-in browser's frame window (see the header). The window keeps its texts in a small
// object that it owns from WM_NCCREATE to WM_NCDESTROY.
#include "standin/browser_frame.h"

#include <memory>

#include "common/module.h"

namespace pagelens::standin {
namespace {

struct FrameTexts {
    std::wstring title;
    std::wstring address;
};

void PaintContent(HWND hwnd, HDC dc, const FrameTexts& texts) {
    RECT area;
    GetClientRect(hwnd, &area);
    FillRect(dc, &area, GetSysColorBrush(COLOR_WINDOW));
    InflateRect(&area, -16, -16);
    std::wstring text = texts.title + L"\r\n" + texts.address;
    SetBkMode(dc, TRANSPARENT);
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &area,
              DT_LEFT | DT_TOP | DT_WORDBREAK | DT_NOPREFIX);
}

LRESULT CALLBACK FrameProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* texts = reinterpret_cast<FrameTexts*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    switch (message) {
        case WM_NCCREATE: {
            // The window takes the texts over from here; WM_NCDESTROY frees them.
            auto* owner = static_cast<std::unique_ptr<FrameTexts>*>(
                reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
            SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(owner->release()));
            break;
        }
        case WM_NCDESTROY:
            SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
            delete texts;
            break;
        case WM_PAINT:
            if (texts) {
                PaintScope paint(hwnd);
                PaintContent(hwnd, paint.dc(), *texts);
                return 0;
            }
            break;
        case WM_PRINTCLIENT:
            if (texts) {
                PaintContent(hwnd, reinterpret_cast<HDC>(wParam), *texts);
                return 0;
            }
            break;
        case WM_ERASEBKGND:
            return 1;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

void RegisterFrameClass() {
    static const ATOM atom = [] {
        WNDCLASSEXW wc{sizeof wc};
        wc.lpfnWndProc = FrameProc;
        wc.hInstance = ThisModule();
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
        wc.lpszClassName = kBrowserFrameClass;
        return RegisterClassExW(&wc);
    }();
    (void)atom;
}

}  // namespace

UniqueHwnd CreateBrowserFrame(const std::wstring& title, const std::wstring& address) {
    RegisterFrameClass();
    auto texts = std::make_unique<FrameTexts>(FrameTexts{title, address});
    std::wstring caption = title + L" - Stand-in browser";
    HWND hwnd = CreateWindowExW(0, kBrowserFrameClass, caption.c_str(), WS_OVERLAPPEDWINDOW, 40, 40,
                                1024, 768, nullptr, nullptr, ThisModule(), &texts);
    if (!hwnd) return {};
    ShowWindow(hwnd, SW_SHOWNORMAL);
    UpdateWindow(hwnd);
    return UniqueHwnd(hwnd);
}

}  // namespace pagelens::standin

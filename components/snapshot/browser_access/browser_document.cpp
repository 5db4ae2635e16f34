#include "components/snapshot/browser_access/browser_document.h"

#include <mshtml.h>
#include <oleidl.h>

#include <algorithm>

#include "common/com_ptr.h"
#include "common/unique_handle.h"

namespace pagelens::capture {
namespace {

constexpr int kSmallestViewSide = 200;
constexpr int kLargestViewSide = 8192;

ComPtr<IDispatch> DocumentOf(IWebBrowser2* browser) {
    ComPtr<IDispatch> document;
    if (FAILED(browser->get_Document(document.put()))) document.reset();
    return document;
}

HWND DocumentWindow(IWebBrowser2* browser) {
    ComPtr<IDispatch> document = DocumentOf(browser);
    ComPtr<IOleWindow> window;
    HWND hwnd = nullptr;
    if (document && SUCCEEDED(document.As(IID_IOleWindow, window)) &&
        SUCCEEDED(window->GetWindow(&hwnd)) && IsWindow(hwnd))
        return hwnd;
    return nullptr;
}

BOOL CALLBACK FindVisibleDocumentView(HWND hwnd, LPARAM found) {
    wchar_t className[64];
    if (GetClassNameW(hwnd, className, 64) && wcscmp(className, L"Internet Explorer_Server") == 0 &&
        IsWindowVisible(hwnd)) {
        *reinterpret_cast<HWND*>(found) = hwnd;
        return FALSE;
    }
    return TRUE;
}

HWND BrowserWindow(IWebBrowser2* browser) {
    SHANDLE_PTR handle = 0;
    if (FAILED(browser->get_HWND(&handle))) return nullptr;
    HWND hwnd = reinterpret_cast<HWND>(handle);
    return IsWindow(hwnd) ? hwnd : nullptr;
}

int CssPixels(LONG devicePixels, int dpi) {
    return std::clamp(MulDiv(devicePixels, 96, dpi > 0 ? dpi : 96), kSmallestViewSide,
                      kLargestViewSide);
}

}  // namespace

std::wstring BrowserAddress(IWebBrowser2* browser) {
    BSTR location = nullptr;
    if (SUCCEEDED(browser->get_LocationURL(&location)))
        if (std::wstring address = TakeBstr(location); !address.empty()) return address;
    ComPtr<IDispatch> document = DocumentOf(browser);
    ComPtr<IHTMLDocument2> html;
    BSTR url = nullptr;
    if (document && SUCCEEDED(document.As(IID_IHTMLDocument2, html)) &&
        SUCCEEDED(html->get_URL(&url)))
        return TakeBstr(url);
    return {};
}

std::optional<Viewport> BrowserViewport(IWebBrowser2* browser) {
    HWND view = DocumentWindow(browser);
    HWND frame = BrowserWindow(browser);
    if (!view && frame)
        EnumChildWindows(frame, FindVisibleDocumentView, reinterpret_cast<LPARAM>(&view));
    if (!view) view = frame;
    RECT client{};
    if (!view || !GetClientRect(view, &client) || client.right <= 0 || client.bottom <= 0)
        return std::nullopt;
    const WindowDc screen(nullptr);
    const int dpi = screen.get() ? GetDeviceCaps(screen.get(), LOGPIXELSX) : 96;
    return Viewport{CssPixels(client.right, dpi), CssPixels(client.bottom, dpi)};
}

}  // namespace pagelens::capture

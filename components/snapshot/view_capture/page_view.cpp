#include "components/snapshot/view_capture/page_view.h"

#include <algorithm>
#include <cmath>

#include "common/unique_handle.h"
#include "components/snapshot/core/capture_failure.h"

namespace pagelens::capture {
namespace {

enum class Mode { Standards, Quirks, Unsure };

Mode CompatMode(IHTMLDocument2* document) {
    ComPtr<IHTMLDocument5> document5;
    BSTR mode = nullptr;
    if (FAILED(ComPtr<IHTMLDocument2>(document).As(__uuidof(IHTMLDocument5), document5)) ||
        FAILED(document5->get_compatMode(&mode)) || !mode)
        return Mode::Unsure;
    const std::wstring text = TakeBstr(mode);
    if (text == L"CSS1Compat") return Mode::Standards;
    if (text == L"BackCompat") return Mode::Quirks;
    return Mode::Unsure;
}

ComPtr<IHTMLElement2> Element2(const ComPtr<IHTMLElement>& element) {
    ComPtr<IHTMLElement2> element2;
    if (element) element.As(IID_IHTMLElement2, element2);
    return element2;
}

ComPtr<IHTMLElement2> DocumentElement(IHTMLDocument2* document) {
    ComPtr<IHTMLDocument3> document3;
    ComPtr<IHTMLElement> element;
    if (SUCCEEDED(ComPtr<IHTMLDocument2>(document).As(IID_IHTMLDocument3, document3)))
        if (FAILED(document3->get_documentElement(element.put()))) element.reset();
    return Element2(element);
}

ComPtr<IHTMLElement2> Body(IHTMLDocument2* document) {
    ComPtr<IHTMLElement> element;
    if (FAILED(document->get_body(element.put()))) element.reset();
    return Element2(element);
}

struct ElementSizes {
    LONG scrollWidth = 0, scrollHeight = 0, clientWidth = 0, clientHeight = 0;
};

ElementSizes SizesOf(const ComPtr<IHTMLElement2>& element) {
    ElementSizes sizes;
    if (!element) return sizes;
    if (FAILED(element->get_scrollWidth(&sizes.scrollWidth))) sizes.scrollWidth = 0;
    if (FAILED(element->get_scrollHeight(&sizes.scrollHeight))) sizes.scrollHeight = 0;
    if (FAILED(element->get_clientWidth(&sizes.clientWidth))) sizes.clientWidth = 0;
    if (FAILED(element->get_clientHeight(&sizes.clientHeight))) sizes.clientHeight = 0;
    return sizes;
}

// Device pixels per CSS pixel: the screen's device DPI over its logical DPI, which IE scales
// by its zoom too. 1 where the screen does not say.
double ScaleOf(IHTMLWindow2* window) {
    ComPtr<IHTMLScreen> screen;
    ComPtr<IHTMLScreen2> screen2;
    LONG device = 0, logical = 0;
    if (FAILED(window->get_screen(screen.put())) || !screen ||
        FAILED(screen.As(__uuidof(IHTMLScreen2), screen2)) ||
        FAILED(screen2->get_deviceXDPI(&device)) || FAILED(screen2->get_logicalXDPI(&logical)) ||
        device <= 0 || logical <= 0)
        return 1.0;
    return std::clamp(double(device) / logical, 0.25, 10.0);
}

RunError CannotDraw(const wchar_t* why) { return Failed(why); }

}  // namespace

Result<PageView> PageView::Open(IWebBrowser2* browser) {
    PageView view;
    ComPtr<IDispatch> dispatch;
    if (!browser || FAILED(browser->get_Document(dispatch.put())) || !dispatch)
        return CannotDraw(L"the browser shows no document");
    if (FAILED(dispatch.As(IID_IHTMLDocument2, view.document_)))
        return CannotDraw(L"the document is not an HTML document");
    if (FAILED(dispatch.As(IID_IViewObject, view.view_))) view.view_.reset();
    ComPtr<IOleWindow> oleWindow;
    if (FAILED(dispatch.As(IID_IOleWindow, oleWindow)) ||
        FAILED(oleWindow->GetWindow(&view.hwnd_)) || !IsWindow(view.hwnd_))
        return CannotDraw(L"the document has no view window");
    // The document lives in its view's thread; a proxy from another apartment cannot draw
    // into a device context of ours.
    if (GetWindowThreadProcessId(view.hwnd_, nullptr) != GetCurrentThreadId())
        return CannotDraw(L"the document belongs to another thread");
    if (FAILED(view.document_->get_parentWindow(view.window_.put())) || !view.window_)
        return CannotDraw(L"the document has no window to scroll");
    view.scale_ = ScaleOf(view.window_.get());
    return view;
}

ComPtr<IHTMLElement2> PageView::ScrollingElement() const {
    switch (CompatMode(document_.get())) {
        case Mode::Standards:
            return DocumentElement(document_.get());
        case Mode::Quirks:
            return Body(document_.get());
        case Mode::Unsure:
            break;
    }
    auto root = DocumentElement(document_.get()), body = Body(document_.get());
    if (!root) return body;
    if (!body) return root;
    return SizesOf(body).scrollHeight > SizesOf(root).scrollHeight ? body : root;
}

Result<PageGeometry> PageView::Measure() const {
    const Mode mode = CompatMode(document_.get());
    const ElementSizes root = SizesOf(DocumentElement(document_.get()));
    const ElementSizes body = SizesOf(Body(document_.get()));
    ElementSizes page = mode == Mode::Quirks ? body : root;
    if (mode == Mode::Unsure) {
        page.scrollWidth = std::max(root.scrollWidth, body.scrollWidth);
        page.scrollHeight = std::max(root.scrollHeight, body.scrollHeight);
        page.clientWidth = root.clientWidth > 0 ? root.clientWidth : body.clientWidth;
        page.clientHeight = root.clientHeight > 0 ? root.clientHeight : body.clientHeight;
    }
    RECT client{};
    if (!GetClientRect(hwnd_, &client) || client.right <= 0 || client.bottom <= 0)
        return Failed(L"The browser's view has no size");
    PageGeometry geometry;
    geometry.scale = scale_;
    geometry.boundsWidth = client.right;
    geometry.boundsHeight = client.bottom;
    const auto device = [this](LONG css) { return static_cast<int>(std::lround(css * scale_)); };
    geometry.clientWidth =
        page.clientWidth > 0 ? std::min<int>(device(page.clientWidth), client.right) : client.right;
    geometry.clientHeight = page.clientHeight > 0
                                ? std::min<int>(device(page.clientHeight), client.bottom)
                                : client.bottom;
    geometry.pageWidth =
        std::max(static_cast<int>(std::ceil(page.scrollWidth * scale_)), geometry.clientWidth);
    geometry.pageHeight =
        std::max(static_cast<int>(std::ceil(page.scrollHeight * scale_)), geometry.clientHeight);
    return geometry;
}

POINT PageView::ScrollPosition() const {
    POINT at{0, 0};
    if (auto element = ScrollingElement()) {
        LONG left = 0, top = 0;
        if (SUCCEEDED(element->get_scrollLeft(&left))) at.x = left;
        if (SUCCEEDED(element->get_scrollTop(&top))) at.y = top;
    }
    return at;
}

HRESULT PageView::ScrollTo(POINT cssPosition) const {
    return window_->scrollTo(cssPosition.x, cssPosition.y);
}

HRESULT PageView::Draw(HDC dc, int width, int height) const {
    if (!view_) return E_NOINTERFACE;
    const RECTL bounds{0, 0, width, height};
    return view_->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, dc, &bounds, nullptr,
                       nullptr, 0);
}

}  // namespace pagelens::capture

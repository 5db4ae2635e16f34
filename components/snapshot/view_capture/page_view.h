// The browser's document as the browser-engine capture sees it, through its documented
// interfaces only (no script, which a zone may switch off): the element that scrolls
// (documentElement in standards mode, body in quirks mode, by compatMode), the page's and the
// view's sizes, the scale from CSS to device pixels (DPI and zoom, from IHTMLScreen2), the
// view's scroll position, IViewObject::Draw of the view as it stands (where the document
// offers it) and the view's window. Used on the thread whose apartment holds the document,
// which is also the thread of its view window.
#pragma once
#include <exdisp.h>
#include <mshtml.h>
#include <oleidl.h>

#include <string>

#include "common/com_ptr.h"
#include "common/run_error.h"

namespace pagelens::capture {

struct PageGeometry {
    double scale = 1.0;  // device pixels per CSS pixel
    int pageWidth = 0;   // the scrolling element's scroll size, device pixels
    int pageHeight = 0;
    int clientWidth = 0;  // the part of the view that shows the page (no scroll bars)
    int clientHeight = 0;
    int boundsWidth = 0;  // the whole view window, which Draw paints
    int boundsHeight = 0;
};

class PageView {
public:
    // The document that `browser` shows, if its view can be taken on this thread; otherwise an
    // error whose description says why not.
    static Result<PageView> Open(IWebBrowser2* browser);

    Result<PageGeometry> Measure() const;
    // The scroll position in CSS pixels, as the scrolling element reports it.
    POINT ScrollPosition() const;
    HRESULT ScrollTo(POINT cssPosition) const;
    HRESULT Draw(HDC dc, int width, int height) const;

    IHTMLDocument2* document() const { return document_.get(); }
    bool drawable() const { return static_cast<bool>(view_); }
    HWND viewWindow() const { return hwnd_; }
    double scale() const { return scale_; }

private:
    PageView() = default;
    ComPtr<IHTMLElement2> ScrollingElement() const;

    ComPtr<IHTMLDocument2> document_;
    ComPtr<IHTMLWindow2> window_;
    ComPtr<IViewObject> view_;
    HWND hwnd_ = nullptr;
    double scale_ = 1.0;
};

}  // namespace pagelens::capture

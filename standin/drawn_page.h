// A stand-in page that draws itself, as Internet Explorer's HTML document does: a tall page of
// numbered bands of distinct colours (split into columns on a wide page), a header of fixed
// position at the top of the view, and a block that appears only once the view has been
// scrolled over it; or the bands scroll inside an element below a bar. Its view window paints
// the view at its scroll position on WM_PAINT and WM_PRINTCLIENT, as IE's does. The document offers
// what a capture in the browser's engine uses: IViewObject, IOleWindow, IHTMLDocument2/3/5, its
// window (IHTMLWindow2, IHTMLScreen2) and elements (IHTMLElement/2, IHTMLStyle, IHTMLCurrentStyle,
// IHTMLElementCollection), with sizes and scroll positions by compatMode as IE reports them; the
// html element's outerHTML and fields (IHTMLInputElement, IHTMLTextAreaElement, IHTMLOptionElement)
// when the design gives them. Its view is a child window of the browser's frame, made on the
// caller's thread; the page's state is shared by all its objects and by the caller.
#pragma once
#include <mshtml.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/com_ptr.h"

namespace pagelens::standin {

// A field of the page with the state the user gave it, which its markup need not hold.
struct PageField {
    std::wstring tag;             // "input", "textarea" or "option"
    std::wstring type = L"text";  // an input's
    std::wstring value;
    bool checked = false;
    bool selected = false;
};

struct PageDesign {
    bool quirks = false;             // BackCompat: body scrolls; else CSS1Compat: documentElement
    bool drawable = true;            // false: the document offers no IViewObject
    bool drawFails = false;          // IViewObject::Draw fails
    int drawFailsFrom = 0;           // Draw fails from this draw on (the first is 1); 0: never
    bool drawIgnoresScroll = false;  // Draw paints the view as if at the page's top
    bool drawBlack = false;          // Draw succeeds but paints only black
    bool windowPaints = true;        // false: the view's window paints nothing (WM_PRINTCLIENT)
    // The document does not scroll: the bands scroll inside an element ("workspace") between a
    // bar at the top of the view and a footer at its bottom (their heights in CSS pixels).
    bool scrollsInside = false;
    int barHeight = 80;
    int footerHeight = 40;
    int viewWidth = 800;    // the view window's client area in device pixels, scroll bars
    int viewHeight = 600;   // included
    int zoomPercent = 100;  // device pixels per 100 CSS pixels (the DPI and the zoom)
    int contentWidth = 0;   // 0: the view's width less the vertical scroll bar
    int bandCount = 40;
    int bandHeight = 100;
    int headerHeight = 60;  // fixed at the top of the view; 0: none
    int lazyTop = 2500;     // page row of the block; below 0: none
    int lazyHeight = 200;
    std::wstring url = L"http://intranet.example/drawn.html";
    std::wstring markup;            // documentElement.outerHTML; empty: it cannot be read
    std::vector<PageField> fields;  // after the bands in document.all
};

struct PageColour {
    int r, g, b;
};

inline constexpr int kScrollBarSize = 17;
inline constexpr int kColumnWidth = 500;
inline constexpr int kLazyLeft = 100;
inline constexpr int kLazyWidth = 300;
inline constexpr PageColour kHeaderColour{10, 10, 10};
inline constexpr PageColour kLazyColour{255, 140, 0};
inline constexpr PageColour kScrollBarColour{200, 200, 200};
inline constexpr PageColour kBarColour{0, 120, 215};
inline constexpr PageColour kFooterColour{250, 20, 120};

// Distinct for the first 108 bands and between neighbouring columns.
PageColour BandColour(int band, int column);

class PageModel;

// What the test sees of the page, and what it may do to it as the user would.
class DrawnPage {
public:
    DrawnPage(HWND frame, const PageDesign& design);

    IHTMLDocument2* document() const { return document_.get(); }
    const PageDesign& design() const;
    // In CSS pixels, as the page reports them.
    int pageHeight() const;
    int pageWidth() const;
    int clientWidth() const;
    int clientHeight() const;
    double scale() const;  // device pixels per CSS pixel
    POINT scroll() const;
    void ScrollAsUser(int x, int y);
    int areaScroll() const;  // the scrolling element's scrollTop
    void ScrollAreaAsUser(int y);
    std::wstring headerVisibility() const;  // the header's inline style.visibility
    bool lazyLoaded() const;
    int draws() const;
    HWND view() const;
    // Key messages (other than Shift, Ctrl and Alt) that reached the view; from any thread.
    int typedKeys() const;
    // Runs after each IViewObject::Draw, with the number of draws so far.
    void OnDraw(std::function<void(int draws)> hook);

private:
    std::shared_ptr<PageModel> model_;
    ComPtr<IHTMLDocument2> document_;
};

}  // namespace pagelens::standin

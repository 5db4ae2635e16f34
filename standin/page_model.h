// The state of one drawn stand-in page (see drawn_page.h), shared by its COM objects: the
// elements with their boxes and styles, the scroll position, the lazily loaded block, and the
// view window that shows it. It lives on the thread that made it; the view window is its own.
#pragma once
#include <windows.h>

#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "common/unique_handle.h"
#include "standin/drawn_page.h"

namespace pagelens::standin {

enum class ElementRole { Html, Body, Header, Band, Lazy, Field, Bar, Area, Footer };

struct PageElementState {
    ElementRole role;
    int band = 0;  // for a band
    RECT box{};    // in page coordinates (bands of a scrolling area: in its content's; the header,
                   // bar, area and footer: in the view's)
    std::wstring visibility;  // the inline style's; empty when none is set
    size_t field = 0;         // for a field: its place in the design's fields
};

class PageModel {
public:
    PageModel(HWND frame, const PageDesign& design);
    PageModel(const PageModel&) = delete;
    PageModel& operator=(const PageModel&) = delete;

    const PageDesign& design() const { return design_; }
    HWND view() const { return view_.get(); }
    int pageWidth() const;
    int pageHeight() const;
    bool verticalBar() const;
    bool horizontalBar() const;
    int clientWidth() const;  // CSS pixels
    int clientHeight() const;
    double scale() const { return design_.zoomPercent / 100.0; }
    POINT scroll() const { return scroll_; }
    // Clamped to the page, as window.scrollTo is; the lazy block's loader runs later, from the
    // view's messages, as a scroll handler would.
    void ScrollTo(int x, int y);
    bool lazyLoaded() const { return lazyLoaded_; }
    // The element that scrolls the bands when the document does not.
    int areaHeight() const;
    int contentHeight() const { return design_.bandCount * design_.bandHeight; }
    int areaScroll() const { return areaScroll_; }
    void ScrollAreaTo(int y);
    // Where an element's box is in the view now, CSS pixels.
    RECT ViewBox(const PageElementState& element) const;

    std::vector<PageElementState>& elements() { return elements_; }
    PageElementState* header();
    // The computed visibility: the inline one, else visible.
    static std::wstring ComputedVisibility(const PageElementState& element);

    // The view at the scroll position (or at the top), its client origin at (left, top) of `dc`.
    void Paint(HDC dc, int left, int top, bool ignoreScroll = false) const;
    void CountDraw();
    int draws() const { return draws_; }
    std::function<void(int)> onDraw;

    // Key messages of keys other than Shift, Ctrl and Alt that reached the view; read from any
    // thread.
    std::atomic<int> typedKeys{0};

    static constexpr UINT kLoadLazyBlock = WM_APP + 7;
    void LoadLazyBlockIfSeen();

private:
    bool Shows(const PageElementState& element) const;
    int Device(int css) const;
    int clientWidthDevice() const;
    int clientHeightDevice() const;
    // A box scrolled by `scroll` (CSS pixels) in the view's device pixels at (left, top).
    RECT InView(const RECT& box, POINT scroll, int left, int top) const;
    // How far the bands' coordinates are scrolled: the document's scroll, or the area's less
    // its top.
    POINT ContentScroll(bool ignoreScroll) const;

    PageDesign design_;
    std::vector<PageElementState> elements_;
    POINT scroll_{0, 0};
    bool lazyLoaded_ = false;
    int areaScroll_ = 0;
    int draws_ = 0;
    UniqueHwnd view_;
};

}  // namespace pagelens::standin

// What the capture changes on the user's page, and puts back: the scroll position (and that of
// the element that scrolls the page, where one does), and the inline visibility of the elements
// of fixed position, which are hidden after the first tile so that they appear once, at their
// place in it. Restore runs on every way out (success, failure, time limit, Close, the owner's
// end) and only once.
#pragma once
#include <mshtml.h>

#include <string>
#include <vector>

#include "common/com_ptr.h"
#include "components/snapshot/view_capture/page_view.h"

namespace pagelens::capture {

class PageChanges {
public:
    // Remembers the scroll positions and finds the visible elements of fixed position.
    PageChanges(const PageView& view, ComPtr<IHTMLElement2> scrollingArea);
    ~PageChanges() { Restore(); }
    PageChanges(const PageChanges&) = delete;
    PageChanges& operator=(const PageChanges&) = delete;

    size_t fixedCount() const { return fixed_.size(); }
    // Where the fixed elements are in the view, device pixels at `scale`.
    std::vector<RECT> FixedBoxes(double scale) const;
    void HideFixedElements();
    void Restore();

private:
    struct Hidden {
        ComPtr<IHTMLStyle> style;
        std::wstring visibility;  // the inline value before, often empty
    };

    const PageView& view_;
    POINT userScroll_;
    ComPtr<IHTMLElement2> area_;
    LONG areaScroll_ = 0;
    std::vector<ComPtr<IHTMLElement>> fixed_;
    std::vector<Hidden> hidden_;
    bool restored_ = false;
};

}  // namespace pagelens::capture

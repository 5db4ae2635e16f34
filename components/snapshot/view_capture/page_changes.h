// What the capture changes on the user's page, and puts back: the scroll position, and the
// inline visibility of the elements of fixed position, which are hidden after the first tile so
// that they appear once, at their place in it. Restore runs on every way out (success, failure,
// time limit, Close, the owner's end) and only once.
#pragma once
#include <mshtml.h>

#include <string>
#include <vector>

#include "common/com_ptr.h"
#include "components/snapshot/view_capture/page_view.h"

namespace pagelens::capture {

class PageChanges {
public:
    // Remembers the scroll position and finds the visible elements of fixed position.
    explicit PageChanges(const PageView& view);
    ~PageChanges() { Restore(); }
    PageChanges(const PageChanges&) = delete;
    PageChanges& operator=(const PageChanges&) = delete;

    size_t fixedCount() const { return fixed_.size(); }
    void HideFixedElements();
    void Restore();

private:
    struct Hidden {
        ComPtr<IHTMLStyle> style;
        std::wstring visibility;  // the inline value before, often empty
    };

    const PageView& view_;
    POINT userScroll_;
    std::vector<ComPtr<IHTMLElement>> fixed_;
    std::vector<Hidden> hidden_;
    bool restored_ = false;
};

}  // namespace pagelens::capture

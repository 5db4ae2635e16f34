// The element that scrolls a page whose document does not: many intranet applications keep a
// header and menu in place and scroll their content inside one element (overflow auto or
// scroll). The largest visible one that covers most of the view is the page's scrolling area;
// the choice is a plain function of the candidates' sizes, read through IHTMLElement2 and
// IHTMLCurrentStyle (no script).
#pragma once
#include <mshtml.h>

#include <optional>
#include <span>
#include <string>

#include "common/com_ptr.h"

namespace pagelens::capture {

struct AreaCandidate {
    RECT client{};  // its client area in the view, device pixels
    int clientHeight = 0;
    int scrollHeight = 0;
    bool scrollsY = false;  // overflow-y auto or scroll
    bool visible = false;
};

// The index of the largest visible candidate that scrolls, has more than it shows, lies within
// a view of `view` device pixels from top to bottom and covers more than half of it.
std::optional<size_t> ChooseScrollingArea(std::span<const AreaCandidate> candidates, SIZE view);

struct ScrollingArea {
    ComPtr<IHTMLElement2> element;
    std::wstring name;  // its id, else its tag
    int top = 0;        // its client area's top in the view, device pixels
    int height = 0;     // its client height, device pixels
    int contentHeight = 0;
};

std::optional<ScrollingArea> FindScrollingArea(IHTMLDocument2* document, double scale, SIZE view);

}  // namespace pagelens::capture

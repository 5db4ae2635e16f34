#include "components/snapshot/view_capture/scrolling_area.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "common/unique_handle.h"
#include "components/snapshot/browser_access/document_elements.h"

namespace pagelens::capture {
namespace {

long long VisibleArea(const RECT& r, SIZE view) {
    const long long width = std::min<LONG>(r.right, view.cx) - std::max<LONG>(r.left, 0);
    const long long height = std::min<LONG>(r.bottom, view.cy) - std::max<LONG>(r.top, 0);
    return width > 0 && height > 0 ? width * height : 0;
}

template <typename Get>
std::wstring Read(Get get) {
    BSTR value = nullptr;
    if (FAILED(get(&value))) return {};
    return TakeBstr(value);
}

bool ScrollsY(IHTMLCurrentStyle* style) {
    std::wstring overflow = Read([style](BSTR* v) { return style->get_overflowY(v); });
    if (overflow.empty()) overflow = Read([style](BSTR* v) { return style->get_overflow(v); });
    return overflow == L"auto" || overflow == L"scroll";
}

struct Found {
    ComPtr<IHTMLElement> element;
    ComPtr<IHTMLElement2> element2;
    AreaCandidate sizes;
};

// What an element offers as a scrolling area, if it scrolls at all.
std::optional<Found> Candidate(const ComPtr<IHTMLElement>& element, double scale) {
    Found found{element};
    ComPtr<IHTMLCurrentStyle> style;
    LONG clientHeight = 0, scrollHeight = 0, clientTop = 0, clientLeft = 0, clientWidth = 0;
    if (FAILED(element.As(IID_IHTMLElement2, found.element2)) ||
        FAILED(found.element2->get_clientHeight(&clientHeight)) ||
        FAILED(found.element2->get_scrollHeight(&scrollHeight)) || clientHeight <= 0 ||
        scrollHeight <= clientHeight || FAILED(found.element2->get_currentStyle(style.put())) ||
        !style || !ScrollsY(style.get()))
        return std::nullopt;
    ComPtr<IHTMLRect> box;
    LONG left = 0, top = 0;
    if (FAILED(found.element2->getBoundingClientRect(box.put())) || !box ||
        FAILED(box->get_left(&left)) || FAILED(box->get_top(&top)))
        return std::nullopt;
    (void)found.element2->get_clientTop(&clientTop);
    (void)found.element2->get_clientLeft(&clientLeft);
    (void)found.element2->get_clientWidth(&clientWidth);
    const auto device = [scale](LONG css) { return static_cast<LONG>(std::lround(css * scale)); };
    found.sizes.client = {device(left + clientLeft), device(top + clientTop),
                          device(left + clientLeft + clientWidth),
                          device(top + clientTop + clientHeight)};
    found.sizes.clientHeight = device(clientHeight);
    found.sizes.scrollHeight = device(scrollHeight);
    found.sizes.scrollsY = true;
    found.sizes.visible = Read([&style](BSTR* v) { return style->get_visibility(v); }) != L"hidden";
    return found;
}

}  // namespace

std::optional<size_t> ChooseScrollingArea(std::span<const AreaCandidate> candidates, SIZE view) {
    const long long most = static_cast<long long>(view.cx) * view.cy / 2;
    std::optional<size_t> chosen;
    long long chosenArea = 0;
    for (size_t i = 0; i < candidates.size(); ++i) {
        const AreaCandidate& c = candidates[i];
        const long long area = VisibleArea(c.client, view);
        // Unrolled in place, it must lie within the view from top to bottom.
        if (!c.visible || !c.scrollsY || c.scrollHeight <= c.clientHeight || area <= most ||
            area <= chosenArea || c.client.top < 0 || c.client.bottom > view.cy)
            continue;
        chosen = i;
        chosenArea = area;
    }
    return chosen;
}

std::optional<ScrollingArea> FindScrollingArea(IHTMLDocument2* document, double scale, SIZE view) {
    std::vector<Found> found;
    ForEachElement(document, [&](const ComPtr<IHTMLElement>& element) {
        if (auto candidate = Candidate(element, scale)) found.push_back(std::move(*candidate));
    });
    std::vector<AreaCandidate> sizes;
    for (const auto& f : found) sizes.push_back(f.sizes);
    const auto chosen = ChooseScrollingArea(sizes, view);
    if (!chosen) return std::nullopt;
    const Found& area = found[*chosen];
    ScrollingArea result{area.element2};
    BSTR text = nullptr;
    if (SUCCEEDED(area.element->get_id(&text))) result.name = TakeBstr(text);
    if (result.name.empty() && SUCCEEDED(area.element->get_tagName(&text)))
        result.name = TakeBstr(text);
    result.top = area.sizes.client.top;
    result.height = area.sizes.clientHeight;
    result.contentHeight = area.sizes.scrollHeight;
    return result;
}

}  // namespace pagelens::capture

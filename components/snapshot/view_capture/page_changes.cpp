#include "components/snapshot/view_capture/page_changes.h"

#include <cmath>

#include "common/unique_handle.h"
#include "components/snapshot/browser_access/document_elements.h"

namespace pagelens::capture {
namespace {

bool IsVisibleFixed(const ComPtr<IHTMLElement>& element) {
    ComPtr<IHTMLElement2> element2;
    ComPtr<IHTMLCurrentStyle> style;
    if (FAILED(element.As(IID_IHTMLElement2, element2)) ||
        FAILED(element2->get_currentStyle(style.put())) || !style)
        return false;
    BSTR position = nullptr, visibility = nullptr;
    if (FAILED(style->get_position(&position))) return false;
    if (TakeBstr(position) != L"fixed") return false;
    if (FAILED(style->get_visibility(&visibility))) return true;
    return TakeBstr(visibility) != L"hidden";
}

// Every element of the document, through document.all.
std::vector<ComPtr<IHTMLElement>> FixedElements(IHTMLDocument2* document) {
    std::vector<ComPtr<IHTMLElement>> found;
    ForEachElement(document, [&](const ComPtr<IHTMLElement>& element) {
        if (IsVisibleFixed(element)) found.push_back(element);
    });
    return found;
}

}  // namespace

PageChanges::PageChanges(const PageView& view, ComPtr<IHTMLElement2> scrollingArea)
    : view_(view),
      userScroll_(view.ScrollPosition()),
      area_(std::move(scrollingArea)),
      fixed_(FixedElements(view.document())) {
    if (area_ && FAILED(area_->get_scrollTop(&areaScroll_))) areaScroll_ = 0;
}

std::vector<RECT> PageChanges::FixedBoxes(double scale) const {
    const auto device = [scale](LONG css) { return static_cast<LONG>(std::lround(css * scale)); };
    std::vector<RECT> boxes;
    for (const auto& element : fixed_) {
        ComPtr<IHTMLElement2> element2;
        ComPtr<IHTMLRect> box;
        RECT r{};
        if (FAILED(element.As(IID_IHTMLElement2, element2)) ||
            FAILED(element2->getBoundingClientRect(box.put())) || !box ||
            FAILED(box->get_left(&r.left)) || FAILED(box->get_top(&r.top)) ||
            FAILED(box->get_right(&r.right)) || FAILED(box->get_bottom(&r.bottom)))
            continue;
        boxes.push_back({device(r.left), device(r.top), device(r.right), device(r.bottom)});
    }
    return boxes;
}

void PageChanges::HideFixedElements() {
    if (!hidden_.empty()) return;
    for (const auto& element : fixed_) {
        ComPtr<IHTMLStyle> style;
        BSTR before = nullptr;
        if (FAILED(element->get_style(style.put())) || !style ||
            FAILED(style->get_visibility(&before)))
            continue;
        Hidden entry{style, TakeBstr(before)};
        const UniqueBstr hidden = MakeBstr(L"hidden");
        if (hidden && SUCCEEDED(style->put_visibility(hidden.get())))
            hidden_.push_back(std::move(entry));
    }
}

void PageChanges::Restore() {
    if (restored_) return;
    restored_ = true;
    for (auto& entry : hidden_) (void)entry.style->put_visibility(MakeBstr(entry.visibility).get());
    hidden_.clear();
    if (area_) (void)area_->put_scrollTop(areaScroll_);
    (void)view_.ScrollTo(userScroll_);
}

}  // namespace pagelens::capture

// The drawn page's elements (IHTMLElement, IHTMLElement2) and document.all. The scroll sizes
// and positions follow IE: in standards mode (CSS1Compat) the html element scrolls and reports
// the view's client size, the body only its own box; in quirks mode (BackCompat) the body
// scrolls and the html element reports a client size of zero. Where the bands scroll inside an
// element, that element reports their height as its scroll height and scrolls them.

#include <algorithm>

#include "standin/dispatch_properties.h"
#include "standin/page_object.h"
#include "standin/page_objects.h"
#include "standin/unimplemented_mshtml.h"

namespace pagelens::standin {
namespace {

constexpr int kBodyMargin = 8;

HRESULT Long(LONG value, LONG* p) {
    if (!p) return E_POINTER;
    *p = value;
    return S_OK;
}

class PageRect final : public PageObject<PageRect, IHTMLRect> {
public:
    explicit PageRect(const RECT& r) : r_(r) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (riid == IID_IUnknown || riid == IID_IDispatch || riid == IID_IHTMLRect)
            return Answer<IHTMLRect>(ppv);
        return E_NOINTERFACE;
    }
    // IHTMLRect
    HRESULT STDMETHODCALLTYPE put_left(LONG v) override { return r_.left = v, S_OK; }
    HRESULT STDMETHODCALLTYPE get_left(LONG* p) override { return Long(r_.left, p); }
    HRESULT STDMETHODCALLTYPE put_top(LONG v) override { return r_.top = v, S_OK; }
    HRESULT STDMETHODCALLTYPE get_top(LONG* p) override { return Long(r_.top, p); }
    HRESULT STDMETHODCALLTYPE put_right(LONG v) override { return r_.right = v, S_OK; }
    HRESULT STDMETHODCALLTYPE get_right(LONG* p) override { return Long(r_.right, p); }
    HRESULT STDMETHODCALLTYPE put_bottom(LONG v) override { return r_.bottom = v, S_OK; }
    HRESULT STDMETHODCALLTYPE get_bottom(LONG* p) override { return Long(r_.bottom, p); }

private:
    friend class PageObject<PageRect, IHTMLRect>;
    ~PageRect() override = default;
    RECT r_;
};

class PageElement final
    : public PageObject<PageElement, UnimplementedHTMLElement, UnimplementedHTMLElement2> {
public:
    PageElement(std::shared_ptr<PageModel> model, size_t index)
        : model_(std::move(model)), index_(index) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (riid == IID_IUnknown || riid == IID_IDispatch || riid == IID_IHTMLElement)
            return Answer<IHTMLElement>(ppv);
        if (riid == IID_IHTMLElement2) return Answer<IHTMLElement2>(ppv);
        return E_NOINTERFACE;
    }

    // IHTMLElement
    HRESULT STDMETHODCALLTYPE get_tagName(BSTR* p) override {
        switch (state().role) {
            case ElementRole::Html:
                return CopyToBstr(L"HTML", p);
            case ElementRole::Body:
                return CopyToBstr(L"BODY", p);
            default:
                return CopyToBstr(L"DIV", p);
        }
    }
    HRESULT STDMETHODCALLTYPE get_id(BSTR* p) override {
        return CopyToBstr(state().role == ElementRole::Area ? L"workspace" : L"", p);
    }
    HRESULT STDMETHODCALLTYPE get_outerHTML(BSTR* p) override {
        const std::wstring& markup = model_->design().markup;
        if (state().role != ElementRole::Html || markup.empty()) return E_NOTIMPL;
        return CopyToBstr(markup, p);
    }
    HRESULT STDMETHODCALLTYPE get_style(IHTMLStyle** p) override {
        if (!p) return E_POINTER;
        *p = CreatePageStyle(model_, index_).detach();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_offsetWidth(LONG* p) override {
        return Long(state().box.right - state().box.left, p);
    }
    HRESULT STDMETHODCALLTYPE get_offsetHeight(LONG* p) override {
        return Long(state().box.bottom - state().box.top, p);
    }

    // IHTMLElement2
    HRESULT STDMETHODCALLTYPE get_currentStyle(IHTMLCurrentStyle** p) override {
        if (!p) return E_POINTER;
        *p = CreatePageCurrentStyle(model_, index_).detach();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_scrollHeight(LONG* p) override {
        return Long(Metrics().scrollHeight, p);
    }
    HRESULT STDMETHODCALLTYPE get_scrollWidth(LONG* p) override {
        return Long(Metrics().scrollWidth, p);
    }
    HRESULT STDMETHODCALLTYPE get_scrollTop(LONG* p) override {
        return Long(Metrics().scrollTop, p);
    }
    HRESULT STDMETHODCALLTYPE get_scrollLeft(LONG* p) override {
        return Long(Metrics().scrollLeft, p);
    }
    HRESULT STDMETHODCALLTYPE get_clientHeight(LONG* p) override {
        return Long(Metrics().clientHeight, p);
    }
    HRESULT STDMETHODCALLTYPE get_clientWidth(LONG* p) override {
        return Long(Metrics().clientWidth, p);
    }
    HRESULT STDMETHODCALLTYPE get_clientTop(LONG* p) override { return Long(0, p); }
    HRESULT STDMETHODCALLTYPE get_clientLeft(LONG* p) override { return Long(0, p); }
    HRESULT STDMETHODCALLTYPE getBoundingClientRect(IHTMLRect** p) override {
        if (!p) return E_POINTER;
        *p = new PageRect(model_->ViewBox(state()));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE put_scrollTop(LONG v) override {
        if (Scrolls()) model_->ScrollTo(model_->scroll().x, v);
        if (state().role == ElementRole::Area) model_->ScrollAreaTo(v);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE put_scrollLeft(LONG v) override {
        if (Scrolls()) model_->ScrollTo(v, model_->scroll().y);
        return S_OK;
    }

private:
    friend class PageObject<PageElement, UnimplementedHTMLElement, UnimplementedHTMLElement2>;
    ~PageElement() override = default;

    struct ScrollMetrics {
        LONG scrollWidth, scrollHeight, scrollLeft, scrollTop, clientWidth, clientHeight;
    };

    const PageElementState& state() const { return model_->elements()[index_]; }

    bool Scrolls() const {
        return state().role == (model_->design().quirks ? ElementRole::Body : ElementRole::Html);
    }

    ScrollMetrics Metrics() const {
        const PageModel& page = *model_;
        const bool quirks = page.design().quirks;
        if (Scrolls())
            return {std::max(page.pageWidth(), page.clientWidth()),
                    std::max(page.pageHeight(), page.clientHeight()),
                    page.scroll().x,
                    page.scroll().y,
                    page.clientWidth(),
                    page.clientHeight()};
        if (state().role == ElementRole::Area)
            return {page.clientWidth(), page.contentHeight(), 0,
                    page.areaScroll(),  page.clientWidth(),   page.areaHeight()};
        if (state().role == ElementRole::Html)  // quirks mode
            return {page.clientWidth(), page.clientHeight(), 0, 0, 0, 0};
        if (state().role == ElementRole::Body && !quirks) {
            const LONG width = page.pageWidth() - 2 * kBodyMargin;
            const LONG height = page.pageHeight() - 2 * kBodyMargin;
            return {width, height, 0, 0, width, height};
        }
        const LONG width = state().box.right - state().box.left;
        const LONG height = state().box.bottom - state().box.top;
        return {width, height, 0, 0, width, height};
    }

    std::shared_ptr<PageModel> model_;
    const size_t index_;
};

class PageCollection final : public PageObject<PageCollection, UnimplementedHTMLElementCollection> {
public:
    explicit PageCollection(std::shared_ptr<PageModel> model) : model_(std::move(model)) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (riid == IID_IUnknown || riid == IID_IDispatch || riid == IID_IHTMLElementCollection)
            return Answer<IHTMLElementCollection>(ppv);
        return E_NOINTERFACE;
    }

    // IHTMLElementCollection
    HRESULT STDMETHODCALLTYPE get_length(LONG* p) override {
        return Long(static_cast<LONG>(model_->elements().size()), p);
    }
    // By position only: item(n) is the n-th element; no element here has a name or an id.
    HRESULT STDMETHODCALLTYPE item(VARIANT name, VARIANT, IDispatch** element) override {
        if (!element) return E_POINTER;
        *element = nullptr;
        VARIANT position;
        VariantInit(&position);
        if (FAILED(VariantChangeType(&position, &name, 0, VT_I4))) return S_OK;
        const LONG at = V_I4(&position);
        if (at < 0 || at >= static_cast<LONG>(model_->elements().size())) return S_OK;
        ComPtr<IDispatch> dispatch;
        CreatePageElement(model_, static_cast<size_t>(at)).As(IID_IDispatch, dispatch);
        *element = dispatch.detach();
        return S_OK;
    }

private:
    friend class PageObject<PageCollection, UnimplementedHTMLElementCollection>;
    ~PageCollection() override = default;

    std::shared_ptr<PageModel> model_;
};

}  // namespace

ComPtr<IHTMLElement> CreatePageElement(std::shared_ptr<PageModel> model, size_t index) {
    if (model->elements()[index].role == ElementRole::Field)
        return CreatePageField(std::move(model), index);
    return ComPtr<IHTMLElement>::Attach(new PageElement(std::move(model), index));
}

ComPtr<IHTMLElementCollection> CreatePageCollection(std::shared_ptr<PageModel> model) {
    return ComPtr<IHTMLElementCollection>::Attach(new PageCollection(std::move(model)));
}

}  // namespace pagelens::standin

// The drawn page's styles: the inline style (IHTMLStyle), whose visibility the page obeys when
// it paints, and the current style (IHTMLCurrentStyle), which says which element has a fixed
// position, which one scrolls its content and what visibility each has.
#include "standin/dispatch_properties.h"
#include "standin/page_object.h"
#include "standin/page_objects.h"
#include "standin/unimplemented_mshtml.h"

namespace pagelens::standin {
namespace {

class PageStyle final : public PageObject<PageStyle, UnimplementedHTMLStyle> {
public:
    PageStyle(std::shared_ptr<PageModel> model, size_t index)
        : model_(std::move(model)), index_(index) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (riid == IID_IUnknown || riid == IID_IDispatch || riid == IID_IHTMLStyle)
            return Answer<IHTMLStyle>(ppv);
        return E_NOINTERFACE;
    }

    // IHTMLStyle
    HRESULT STDMETHODCALLTYPE get_visibility(BSTR* p) override {
        return CopyToBstr(model_->elements()[index_].visibility, p);
    }
    HRESULT STDMETHODCALLTYPE put_visibility(BSTR v) override {
        model_->elements()[index_].visibility = v ? std::wstring(v, SysStringLen(v)) : L"";
        if (HWND view = model_->view()) InvalidateRect(view, nullptr, FALSE);
        return S_OK;
    }

private:
    friend class PageObject<PageStyle, UnimplementedHTMLStyle>;
    ~PageStyle() override = default;

    std::shared_ptr<PageModel> model_;
    const size_t index_;
};

class PageCurrentStyle final : public PageObject<PageCurrentStyle, UnimplementedHTMLCurrentStyle> {
public:
    PageCurrentStyle(std::shared_ptr<PageModel> model, size_t index)
        : model_(std::move(model)), index_(index) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (riid == IID_IUnknown || riid == IID_IDispatch || riid == IID_IHTMLCurrentStyle)
            return Answer<IHTMLCurrentStyle>(ppv);
        return E_NOINTERFACE;
    }

    // IHTMLCurrentStyle
    HRESULT STDMETHODCALLTYPE get_position(BSTR* p) override {
        return CopyToBstr(state().role == ElementRole::Header ? L"fixed" : L"static", p);
    }
    HRESULT STDMETHODCALLTYPE get_overflow(BSTR* p) override {
        return CopyToBstr(state().role == ElementRole::Area ? L"auto" : L"visible", p);
    }
    // IE reports the cascaded value: "inherit" where nothing sets it.
    HRESULT STDMETHODCALLTYPE get_visibility(BSTR* p) override {
        return CopyToBstr(state().visibility.empty() ? L"inherit" : state().visibility, p);
    }

private:
    friend class PageObject<PageCurrentStyle, UnimplementedHTMLCurrentStyle>;
    ~PageCurrentStyle() override = default;

    const PageElementState& state() const { return model_->elements()[index_]; }

    std::shared_ptr<PageModel> model_;
    const size_t index_;
};

}  // namespace

ComPtr<IHTMLStyle> CreatePageStyle(std::shared_ptr<PageModel> model, size_t index) {
    return ComPtr<IHTMLStyle>::Attach(new PageStyle(std::move(model), index));
}

ComPtr<IHTMLCurrentStyle> CreatePageCurrentStyle(std::shared_ptr<PageModel> model, size_t index) {
    return ComPtr<IHTMLCurrentStyle>::Attach(new PageCurrentStyle(std::move(model), index));
}

}  // namespace pagelens::standin

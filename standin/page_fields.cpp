// The drawn page's fields: an input, a text area or an option of a list, reporting the state
// the user gave it (the design's), as IE's elements report their current value, checked and
// selected state. Nothing here can be changed: a capture only reads them.
#include <cwctype>

#include "standin/dispatch_properties.h"
#include "standin/page_object.h"
#include "standin/page_objects.h"
#include "standin/unimplemented_mshtml.h"

namespace pagelens::standin {
namespace {

HRESULT Flag(bool on, VARIANT_BOOL* p) {
    if (!p) return E_POINTER;
    *p = on ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

class PageFieldElement final
    : public PageObject<PageFieldElement, UnimplementedHTMLElement, UnimplementedHTMLInputElement,
                        UnimplementedHTMLTextAreaElement, UnimplementedHTMLOptionElement> {
public:
    PageFieldElement(std::shared_ptr<PageModel> model, size_t index)
        : model_(std::move(model)),
          field_(model_->design().fields[model_->elements()[index].field]) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (riid == IID_IUnknown || riid == IID_IDispatch || riid == IID_IHTMLElement)
            return Answer<IHTMLElement>(ppv);
        if (riid == IID_IHTMLInputElement && field_.tag == L"input")
            return Answer<IHTMLInputElement>(ppv);
        if (riid == IID_IHTMLTextAreaElement && field_.tag == L"textarea")
            return Answer<IHTMLTextAreaElement>(ppv);
        if (riid == IID_IHTMLOptionElement && field_.tag == L"option")
            return Answer<IHTMLOptionElement>(ppv);
        return E_NOINTERFACE;
    }

    // IHTMLElement
    HRESULT STDMETHODCALLTYPE get_tagName(BSTR* p) override {
        std::wstring upper = field_.tag;
        for (auto& c : upper) c = static_cast<wchar_t>(std::towupper(c));
        return CopyToBstr(upper, p);
    }

    // IHTMLInputElement, IHTMLTextAreaElement, IHTMLOptionElement
    HRESULT STDMETHODCALLTYPE get_type(BSTR* p) override {
        return CopyToBstr(field_.tag == L"input" ? field_.type : field_.tag, p);
    }
    HRESULT STDMETHODCALLTYPE get_value(BSTR* p) override { return CopyToBstr(field_.value, p); }
    HRESULT STDMETHODCALLTYPE get_checked(VARIANT_BOOL* p) override {
        return Flag(field_.checked, p);
    }
    HRESULT STDMETHODCALLTYPE get_selected(VARIANT_BOOL* p) override {
        return Flag(field_.selected, p);
    }

private:
    friend class PageObject<PageFieldElement, UnimplementedHTMLElement,
                            UnimplementedHTMLInputElement, UnimplementedHTMLTextAreaElement,
                            UnimplementedHTMLOptionElement>;
    ~PageFieldElement() override = default;

    std::shared_ptr<PageModel> model_;
    const PageField& field_;
};

}  // namespace

ComPtr<IHTMLElement> CreatePageField(std::shared_ptr<PageModel> model, size_t index) {
    return ComPtr<IHTMLElement>::Attach(new PageFieldElement(std::move(model), index));
}

}  // namespace pagelens::standin

// The drawn page's window (IHTMLWindow2): scrollTo and scrollBy move the view, clamped to the
// page as IE clamps them; its screen (IHTMLScreen2) reports the view's device DPI (the zoom)
// against the logical 96.
#include "standin/page_object.h"
#include "standin/page_objects.h"
#include "standin/unimplemented_mshtml.h"

namespace pagelens::standin {
namespace {

class PageScreen final
    : public PageObject<PageScreen, UnimplementedHTMLScreen, UnimplementedHTMLScreen2> {
public:
    explicit PageScreen(int zoomPercent) : zoomPercent_(zoomPercent) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (riid == IID_IUnknown || riid == IID_IDispatch || riid == IID_IHTMLScreen)
            return Answer<IHTMLScreen>(ppv);
        if (riid == __uuidof(IHTMLScreen2)) return Answer<IHTMLScreen2>(ppv);
        return E_NOINTERFACE;
    }
    // IHTMLScreen2
    HRESULT STDMETHODCALLTYPE get_logicalXDPI(LONG* p) override { return Dpi(p); }
    HRESULT STDMETHODCALLTYPE get_logicalYDPI(LONG* p) override { return Dpi(p); }
    HRESULT STDMETHODCALLTYPE get_deviceXDPI(LONG* p) override { return DeviceDpi(p); }
    HRESULT STDMETHODCALLTYPE get_deviceYDPI(LONG* p) override { return DeviceDpi(p); }

private:
    friend class PageObject<PageScreen, UnimplementedHTMLScreen, UnimplementedHTMLScreen2>;
    ~PageScreen() override = default;
    static HRESULT Dpi(LONG* p) {
        if (!p) return E_POINTER;
        *p = 96;
        return S_OK;
    }
    HRESULT DeviceDpi(LONG* p) const {
        if (!p) return E_POINTER;
        *p = 96 * zoomPercent_ / 100;
        return S_OK;
    }
    const int zoomPercent_;
};

class PageWindow final : public PageObject<PageWindow, UnimplementedHTMLWindow2> {
public:
    PageWindow(std::shared_ptr<PageModel> model, IHTMLDocument2* document)
        : model_(std::move(model)), document_(document) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (riid == IID_IUnknown || riid == IID_IDispatch || riid == IID_IHTMLFramesCollection2 ||
            riid == IID_IHTMLWindow2)
            return Answer<IHTMLWindow2>(ppv);
        return E_NOINTERFACE;
    }

    // IHTMLWindow2
    HRESULT STDMETHODCALLTYPE scrollTo(LONG x, LONG y) override {
        model_->ScrollTo(x, y);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE scrollBy(LONG x, LONG y) override {
        const POINT at = model_->scroll();
        model_->ScrollTo(at.x + x, at.y + y);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE scroll(LONG x, LONG y) override { return scrollTo(x, y); }
    HRESULT STDMETHODCALLTYPE get_document(IHTMLDocument2** p) override {
        if (!p) return E_POINTER;
        *p = ComPtr<IHTMLDocument2>(document_).detach();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_screen(IHTMLScreen** p) override {
        if (!p) return E_POINTER;
        *p = new PageScreen(model_->design().zoomPercent);
        return S_OK;
    }

private:
    friend class PageObject<PageWindow, UnimplementedHTMLWindow2>;
    ~PageWindow() override = default;

    std::shared_ptr<PageModel> model_;
    ComPtr<IHTMLDocument2> document_;
};

}  // namespace

ComPtr<IHTMLWindow2> CreatePageWindow(std::shared_ptr<PageModel> model, IHTMLDocument2* document) {
    return ComPtr<IHTMLWindow2>::Attach(new PageWindow(std::move(model), document));
}

}  // namespace pagelens::standin

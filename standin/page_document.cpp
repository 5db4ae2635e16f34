// The drawn page's document: IHTMLDocument2/3/5 for its window, elements and compatMode,
// IOleWindow for its view, and IViewObject::Draw, which paints the view as it stands (scroll
// position, styles) into the bounds it is given, as MSHTML's document does, or, as the design
// asks, fails, paints black or ignores the scroll position, as some machines' drawing does.
#include <oleidl.h>

#include "standin/dispatch_properties.h"
#include "standin/page_object.h"
#include "standin/page_objects.h"
#include "standin/unimplemented_mshtml.h"

namespace pagelens::standin {
namespace {

class PageDocument final
    : public PageObject<PageDocument, UnimplementedHTMLDocument2, UnimplementedHTMLDocument3,
                        UnimplementedHTMLDocument5, IViewObject, IOleWindow> {
public:
    PageDocument(std::shared_ptr<PageModel> model, std::wstring url)
        : model_(std::move(model)), url_(std::move(url)) {}

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (riid == IID_IUnknown || riid == IID_IDispatch || riid == IID_IHTMLDocument ||
            riid == IID_IHTMLDocument2)
            return Answer<IHTMLDocument2>(ppv);
        if (riid == IID_IHTMLDocument3) return Answer<IHTMLDocument3>(ppv);
        if (riid == __uuidof(IHTMLDocument5)) return Answer<IHTMLDocument5>(ppv);
        if (riid == IID_IOleWindow) return Answer<IOleWindow>(ppv);
        if (riid == IID_IViewObject && model_->design().drawable) return Answer<IViewObject>(ppv);
        return E_NOINTERFACE;
    }

    // IHTMLDocument2
    HRESULT STDMETHODCALLTYPE get_URL(BSTR* p) override { return CopyToBstr(url_, p); }
    HRESULT STDMETHODCALLTYPE get_title(BSTR* p) override { return CopyToBstr(L"Drawn page", p); }
    HRESULT STDMETHODCALLTYPE get_readyState(BSTR* p) override {
        return CopyToBstr(L"complete", p);
    }
    HRESULT STDMETHODCALLTYPE get_body(IHTMLElement** p) override {
        if (!p) return E_POINTER;
        *p = CreatePageElement(model_, 1).detach();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_all(IHTMLElementCollection** p) override {
        if (!p) return E_POINTER;
        *p = CreatePageCollection(model_).detach();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_parentWindow(IHTMLWindow2** p) override {
        if (!p) return E_POINTER;
        *p = CreatePageWindow(model_, this).detach();
        return S_OK;
    }

    // IHTMLDocument3
    HRESULT STDMETHODCALLTYPE get_documentElement(IHTMLElement** p) override {
        if (!p) return E_POINTER;
        *p = CreatePageElement(model_, 0).detach();
        return S_OK;
    }

    // IHTMLDocument5
    HRESULT STDMETHODCALLTYPE get_compatMode(BSTR* p) override {
        return CopyToBstr(model_->design().quirks ? L"BackCompat" : L"CSS1Compat", p);
    }

    // IViewObject
    HRESULT STDMETHODCALLTYPE Draw(DWORD aspect, LONG lindex, void*, DVTARGETDEVICE*, HDC,
                                   HDC hdcDraw, LPCRECTL bounds, LPCRECTL,
                                   BOOL(STDMETHODCALLTYPE*)(ULONG_PTR), ULONG_PTR) override {
        if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
        if (lindex != -1) return DV_E_LINDEX;
        if (!hdcDraw || !bounds) return E_INVALIDARG;
        const PageDesign& design = model_->design();
        if (design.drawFails ||
            (design.drawFailsFrom > 0 && model_->draws() + 1 >= design.drawFailsFrom))
            return E_FAIL;
        const int width = bounds->right - bounds->left, height = bounds->bottom - bounds->top;
        if (design.drawBlack) {  // as the GPU's drawing comes back on some machines
            const RECT all{bounds->left, bounds->top, bounds->right, bounds->bottom};
            FillRect(hdcDraw, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        } else if (width == design.viewWidth && height == design.viewHeight) {
            model_->Paint(hdcDraw, bounds->left, bounds->top, design.drawIgnoresScroll);
        } else if (!DrawScaled(hdcDraw, *bounds)) {
            return E_FAIL;
        }
        model_->CountDraw();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetColorSet(DWORD, LONG, void*, DVTARGETDEVICE*, HDC,
                                          LOGPALETTE**) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Freeze(DWORD, LONG, void*, DWORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Unfreeze(DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetAdvise(DWORD, DWORD, IAdviseSink*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetAdvise(DWORD*, DWORD*, IAdviseSink**) override {
        return E_NOTIMPL;
    }

    // IOleWindow
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* phwnd) override {
        if (!phwnd) return E_POINTER;
        *phwnd = model_->view();
        return *phwnd ? S_OK : E_FAIL;
    }
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

private:
    friend class PageObject<PageDocument, UnimplementedHTMLDocument2, UnimplementedHTMLDocument3,
                            UnimplementedHTMLDocument5, IViewObject, IOleWindow>;
    ~PageDocument() override = default;

    // Bounds of another size than the view: the view is painted at its own size and stretched.
    bool DrawScaled(HDC target, const RECTL& bounds) {
        const PageDesign& design = model_->design();
        UniqueHdc memory(CreateCompatibleDC(target));
        UniqueHbitmap bitmap(CreateCompatibleBitmap(target, design.viewWidth, design.viewHeight));
        if (!memory || !bitmap) return false;
        SelectGuard select(memory.get(), bitmap.get());
        model_->Paint(memory.get(), 0, 0, design.drawIgnoresScroll);
        SetStretchBltMode(target, HALFTONE);
        return StretchBlt(target, bounds.left, bounds.top, bounds.right - bounds.left,
                          bounds.bottom - bounds.top, memory.get(), 0, 0, design.viewWidth,
                          design.viewHeight, SRCCOPY) != FALSE;
    }

    std::shared_ptr<PageModel> model_;
    const std::wstring url_;
};

}  // namespace

ComPtr<IHTMLDocument2> CreatePageDocument(std::shared_ptr<PageModel> model, std::wstring url) {
    return ComPtr<IHTMLDocument2>::Attach(new PageDocument(std::move(model), std::move(url)));
}

}  // namespace pagelens::standin

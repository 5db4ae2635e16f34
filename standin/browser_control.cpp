#include "standin/browser_control.h"

#include <exdisp.h>

#include <atomic>

#include "common/com_ptr.h"
#include "standin/web_browser.h"

namespace pagelens::standin {
namespace {

class BrowserControl final : public IOleObject {
public:
    BrowserControl(BrowserControlBehaviour behaviour, std::shared_ptr<BrowserControlLog> log)
        : behaviour_(std::move(behaviour)), log_(std::move(log)) {
        ++log_->created;
    }

    // IUnknown: the control and its browser are one object to the container.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** result) override {
        if (!result) return E_POINTER;
        *result = nullptr;
        if (iid == IID_IUnknown || iid == IID_IOleObject) {
            *result = static_cast<IOleObject*>(this);
            AddRef();
            return S_OK;
        }
        if ((iid == IID_IWebBrowser2 || iid == IID_IWebBrowserApp || iid == IID_IWebBrowser ||
             iid == IID_IDispatch) &&
            browser_)
            return browser_->QueryInterface(iid, result);
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --references_;
        if (left == 0) delete this;
        return left;
    }

    // IOleObject: what a container of the real control calls
    HRESULT STDMETHODCALLTYPE SetClientSite(IOleClientSite* site) override {
        site_ = site;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetClientSite(IOleClientSite** site) override {
        if (!site) return E_POINTER;
        *site = ComPtr<IOleClientSite>(site_).detach();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE DoVerb(LONG verb, LPMSG, IOleClientSite* site, LONG, HWND parent,
                                     LPCRECT position) override {
        if (verb != OLEIVERB_INPLACEACTIVATE && verb != OLEIVERB_SHOW) return OLEOBJ_S_INVALIDVERB;
        if (!site || !parent || !position) return E_INVALIDARG;
        // The real control asks its site whether it may activate and where it lives.
        ComPtr<IOleInPlaceSite> inPlace;
        if (FAILED(ComPtr<IOleClientSite>(site).As(IID_IOleInPlaceSite, inPlace)))
            return E_NOINTERFACE;
        if (inPlace->CanInPlaceActivate() != S_OK) return E_FAIL;
        inPlace->OnInPlaceActivate();
        view_ = {position->right - position->left, position->bottom - position->top};
        parent_ = parent;
        ++log_->activated;
        browser_ = CreateNavigableWebBrowser(
            parent, [this](const std::wstring& address) { return Show(address); },
            behaviour_.loadingPolls);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Close(DWORD) override {
        ++log_->closed;
        browser_.reset();
        log_->shown.reset();
        return S_OK;
    }

    // What the stand-in does not do
    HRESULT STDMETHODCALLTYPE SetHostNames(LPCOLESTR, LPCOLESTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetMoniker(DWORD, IMoniker*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE InitFromData(IDataObject*, BOOL, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetClipboardData(DWORD, IDataObject**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumVerbs(IEnumOLEVERB**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Update() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE IsUpToDate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetUserClassID(CLSID* clsid) override {
        if (!clsid) return E_POINTER;
        *clsid = CLSID_WebBrowser;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetUserType(DWORD, LPOLESTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetExtent(DWORD, SIZEL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetExtent(DWORD, SIZEL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Advise(IAdviseSink*, DWORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumAdvise(IEnumSTATDATA**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetMiscStatus(DWORD, DWORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetColorScheme(LOGPALETTE*) override { return E_NOTIMPL; }

private:
    ~BrowserControl() = default;

    BrowserPage Show(const std::wstring& address) {
        log_->addresses.push_back(address);
        VARIANT_BOOL silent = VARIANT_FALSE;
        if (browser_) browser_->get_Silent(&silent);
        log_->silent = silent == VARIANT_TRUE;
        log_->shown.reset();
        auto design = behaviour_.pageFor ? behaviour_.pageFor(address) : std::nullopt;
        if (!design) return {nullptr, L"res://ieframe.dll/dnserrordiagoff.htm#" + address, L""};
        design->url = address;
        design->viewWidth = view_.cx;
        design->viewHeight = view_.cy;
        log_->shown = std::make_shared<DrawnPage>(parent_, *design);
        return {ComPtr<IDispatch>(log_->shown->document()), address, L"Drawn page"};
    }

    const BrowserControlBehaviour behaviour_;
    const std::shared_ptr<BrowserControlLog> log_;
    ComPtr<IOleClientSite> site_;
    ComPtr<IWebBrowser2> browser_;
    HWND parent_ = nullptr;
    SIZE view_{};
    std::atomic<ULONG> references_{1};
};

}  // namespace

HRESULT CreateBrowserControl(BrowserControlBehaviour behaviour,
                             std::shared_ptr<BrowserControlLog> log, IOleObject** control) {
    if (!control) return E_POINTER;
    *control = new BrowserControl(std::move(behaviour), std::move(log));
    return S_OK;
}

}  // namespace pagelens::standin

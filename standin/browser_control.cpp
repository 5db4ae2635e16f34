#include "standin/browser_control.h"

#include <exdisp.h>
#include <exdispid.h>
#include <mshtmdid.h>
#include <ocidl.h>

#include <algorithm>
#include <atomic>
#include <map>

#include "common/com_ptr.h"
#include "standin/web_browser.h"

namespace pagelens::standin {
namespace {

// The control's one connection point, DWebBrowserEvents2: the sinks advised to it.
class EventPoint final : public IConnectionPoint {
public:
    explicit EventPoint(IConnectionPointContainer* container) : container_(container) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** result) override {
        if (!result) return E_POINTER;
        *result = nullptr;
        if (iid != IID_IUnknown && iid != IID_IConnectionPoint) return E_NOINTERFACE;
        *result = static_cast<IConnectionPoint*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --references_;
        if (left == 0) delete this;
        return left;
    }

    HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* iid) override {
        if (!iid) return E_POINTER;
        *iid = DIID_DWebBrowserEvents2;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE
    GetConnectionPointContainer(IConnectionPointContainer** container) override {
        if (!container) return E_POINTER;
        *container = ComPtr<IConnectionPointContainer>(container_).detach();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Advise(IUnknown* sink, DWORD* cookie) override {
        if (!sink || !cookie) return E_POINTER;
        ComPtr<IDispatch> events;
        if (FAILED(ComPtr<IUnknown>(sink).As(IID_IDispatch, events)))
            return CONNECT_E_CANNOTCONNECT;
        *cookie = ++lastCookie_;
        sinks_[*cookie] = std::move(events);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override {
        return sinks_.erase(cookie) ? S_OK : CONNECT_E_NOCONNECTION;
    }
    HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections**) override { return E_NOTIMPL; }

    void Invoke(DISPID event, DISPPARAMS* params) {
        for (auto& [cookie, sink] : std::map(sinks_))
            sink->Invoke(event, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, params, nullptr,
                         nullptr, nullptr);
    }

private:
    ~EventPoint() = default;

    IConnectionPointContainer* container_;  // the control, which outlives its use here
    std::map<DWORD, ComPtr<IDispatch>> sinks_;
    DWORD lastCookie_ = 0;
    std::atomic<ULONG> references_{1};
};

class BrowserControl final : public IOleObject, public IConnectionPointContainer {
public:
    BrowserControl(BrowserControlBehaviour behaviour, std::shared_ptr<BrowserControlLog> log)
        : behaviour_(std::move(behaviour)), log_(std::move(log)) {
        ++log_->created;
    }

    // IUnknown: the control and its browser are one object to the container.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** result) override {
        if (!result) return E_POINTER;
        *result = nullptr;
        if (iid == IID_IUnknown || iid == IID_IOleObject)
            *result = static_cast<IOleObject*>(this);
        else if (iid == IID_IConnectionPointContainer)
            *result = static_cast<IConnectionPointContainer*>(this);
        if (*result) {
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
        ReadDownloadControl(site);
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

    // IConnectionPointContainer: DWebBrowserEvents2 only
    HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints**) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID iid, IConnectionPoint** point) override {
        if (!point) return E_POINTER;
        *point = nullptr;
        if (iid != DIID_DWebBrowserEvents2) return CONNECT_E_NOCONNECTION;
        *point = ComPtr<IConnectionPoint>(events_.get()).detach();
        return S_OK;
    }

private:
    ~BrowserControl() = default;

    void ReadDownloadControl(IOleClientSite* site) {
        ComPtr<IDispatch> ambient;
        if (FAILED(ComPtr<IOleClientSite>(site).As(IID_IDispatch, ambient))) return;
        DISPPARAMS none{};
        VARIANT value;
        VariantInit(&value);
        if (SUCCEEDED(ambient->Invoke(DISPID_AMBIENT_DLCONTROL, IID_NULL, LOCALE_USER_DEFAULT,
                                      DISPATCH_PROPERTYGET, &none, &value, nullptr, nullptr)) &&
            V_VT(&value) == VT_I4)
            log_->downloadControl = V_I4(&value);
        VariantClear(&value);
    }

    // Fires `event` with the real control's arguments (last to first in rgvarg) at every sink;
    // whether one of them cancelled it.
    bool Fire(DISPID event, const std::wstring& url) {
        VARIANT_BOOL cancel = VARIANT_FALSE;
        BSTR text = SysAllocString(url.c_str());
        VARIANT address;
        VariantInit(&address);
        V_VT(&address) = VT_BSTR;
        V_BSTR(&address) = text;
        std::vector<VARIANT> arguments;
        auto add = [&arguments](VARTYPE type) {
            VARIANT v;
            VariantInit(&v);
            V_VT(&v) = type;
            arguments.push_back(v);
        };
        auto addCancel = [&] {
            add(VT_BYREF | VT_BOOL);
            V_BOOLREF(&arguments.back()) = &cancel;
        };
        if (event == DISPID_BEFORENAVIGATE2) {  // window, url, flags, frame, post, headers, cancel
            add(VT_DISPATCH);
            add(VT_BYREF | VT_VARIANT);
            V_VARIANTREF(&arguments.back()) = &address;
            for (int i = 0; i < 4; ++i) add(VT_BYREF | VT_VARIANT);
            for (size_t i = 2; i < 6; ++i) V_VARIANTREF(&arguments[i]) = &empty_;
            addCancel();
        } else if (event == DISPID_NEWWINDOW3) {  // window, cancel, flags, context, url
            add(VT_BYREF | VT_DISPATCH);
            arguments.back().ppdispVal = &noWindow_;
            addCancel();
            add(VT_I4);
            add(VT_BSTR);
            arguments.push_back(address);
        } else {  // FileDownload: not an active document, cancel
            add(VT_BOOL);
            V_BOOL(&arguments.back()) = VARIANT_FALSE;
            addCancel();
        }
        std::reverse(arguments.begin(), arguments.end());
        DISPPARAMS params{arguments.data(), nullptr, static_cast<UINT>(arguments.size()), 0};
        events_->Invoke(event, &params);
        SysFreeString(text);
        const bool cancelled = cancel != VARIANT_FALSE;
        (cancelled ? log_->cancelled : log_->allowed)
            .push_back(std::to_wstring(event) + L" " + url);
        return cancelled;
    }

    BrowserPage Show(const std::wstring& address) {
        log_->addresses.push_back(address);
        Fire(DISPID_BEFORENAVIGATE2, address);
        for (const auto& attempt : behaviour_.attempts) Fire(attempt.event, attempt.url);
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
    const ComPtr<EventPoint> events_ = ComPtr<EventPoint>::Attach(new EventPoint(this));
    VARIANT empty_{};
    IDispatch* noWindow_ = nullptr;
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

// The stand-in browser object (see the header); its unimplemented methods keep the vtable whole.
#include "standin/web_browser.h"

#include <olectl.h>
#include <servprov.h>

#include "standin/com_object.h"
#include "standin/dispatch_properties.h"

namespace pagelens::standin {
namespace {

// The dispatch identifiers of the browser's type library.
enum : DISPID {
    kDispidDocument = 203,
    kDispidLocationName = 210,
    kDispidLocationUrl = 211,
    kDispidBusy = 212,
};

constexpr NamedDispid kBrowserProperties[] = {
    {L"Document", kDispidDocument},
    {L"LocationName", kDispidLocationName},
    {L"LocationURL", kDispidLocationUrl},
    {L"Busy", kDispidBusy},
    {L"HWND", DISPID_HWND},
    {L"ReadyState", DISPID_READYSTATE},
};

// Its own service provider too, as IE's browser is: a helper object's site is the browser itself.
class WebBrowser final : public DispatchObject<WebBrowser, IWebBrowser2>, public IServiceProvider {
public:
    WebBrowser(HWND frame, BrowserPage page) : frame_(frame), page_(std::move(page)) {}
    WebBrowser(HWND frame, Navigator navigate, int loadingPolls)
        : frame_(frame), navigate_(std::move(navigate)), loadingPolls_(loadingPolls) {}

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (riid == IID_IUnknown || riid == IID_IDispatch || riid == IID_IWebBrowser ||
            riid == IID_IWebBrowserApp || riid == IID_IWebBrowser2) {
            return Answer(ppv);
        }
        if (riid == IID_IServiceProvider) {
            *ppv = static_cast<IServiceProvider*>(this);
            AddRef();
            return S_OK;
        }
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return DispatchObject::AddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return DispatchObject::Release(); }

    // IServiceProvider: the browser application service is this browser.
    HRESULT STDMETHODCALLTYPE QueryService(REFGUID service, REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (service != IID_IWebBrowserApp) return E_NOINTERFACE;
        return QueryInterface(riid, ppv);
    }

    // IDispatch
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                            DISPID* ids) override {
        return IdsOfNames(kBrowserProperties, names, count, ids);
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO*, UINT*) override {
        switch (id) {
            case kDispidDocument:
            case kDispidLocationName:
            case kDispidLocationUrl:
            case kDispidBusy:
            case DISPID_HWND:
            case DISPID_READYSTATE:
                break;
            default:
                return DISP_E_MEMBERNOTFOUND;
        }
        if (HRESULT hr = CheckPropertyGet(flags, params, result); FAILED(hr)) return hr;
        switch (id) {
            case kDispidDocument:
                return ObjectResult(page_.document.get(), result);
            case kDispidLocationName:
                return StringResult(page_.locationName, result);
            case kDispidLocationUrl:
                return StringResult(page_.locationUrl, result);
            case kDispidBusy:
                V_VT(result) = VT_BOOL;
                return get_Busy(&V_BOOL(result));
            case DISPID_HWND:
                V_VT(result) = VT_I4;
                return get_HWND(reinterpret_cast<SHANDLE_PTR*>(&V_I4(result)));
            default:
                V_VT(result) = VT_I4;
                return get_ReadyState(reinterpret_cast<READYSTATE*>(&V_I4(result)));
        }
    }

    // IWebBrowser: what the stand-in really answers
    HRESULT STDMETHODCALLTYPE get_Document(IDispatch** ppDisp) override {
        if (!ppDisp) return E_POINTER;
        // Like the real browser: no document is success with none.
        *ppDisp = ComPtr<IDispatch>(page_.document).detach();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_LocationName(BSTR* LocationName) override {
        return CopyToBstr(page_.locationName, LocationName);
    }
    HRESULT STDMETHODCALLTYPE get_LocationURL(BSTR* LocationURL) override {
        return CopyToBstr(page_.locationUrl, LocationURL);
    }
    HRESULT STDMETHODCALLTYPE get_Busy(VARIANT_BOOL* pBool) override {
        if (!pBool) return E_POINTER;
        *pBool = pollsLeft_ > 0 ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    }

    // IWebBrowserApp
    HRESULT STDMETHODCALLTYPE get_HWND(SHANDLE_PTR* pHWND) override {
        if (!pHWND) return E_POINTER;
        *pHWND = reinterpret_cast<SHANDLE_PTR>(frame_);
        return S_OK;
    }

    // IWebBrowser2
    HRESULT STDMETHODCALLTYPE get_ReadyState(READYSTATE* plReadyState) override {
        if (!plReadyState) return E_POINTER;
        if (pollsLeft_ > 0) {
            --pollsLeft_;
            *plReadyState = READYSTATE_LOADING;
        } else {
            *plReadyState = READYSTATE_COMPLETE;
        }
        return S_OK;
    }

    // What the stand-in does not do
    // IWebBrowser
    HRESULT STDMETHODCALLTYPE GoBack() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GoForward() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GoHome() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GoSearch() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Navigate(BSTR URL, VARIANT* Flags, VARIANT* TargetFrameName,
                                       VARIANT* PostData, VARIANT* Headers) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Refresh() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Refresh2(VARIANT* Level) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Stop() override { return navigate_ ? S_OK : E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Application(IDispatch** ppDisp) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Parent(IDispatch** ppDisp) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Container(IDispatch** ppDisp) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_TopLevelContainer(VARIANT_BOOL* pBool) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE get_Type(BSTR* Type) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Left(LONG* pl) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_Left(LONG Left) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Top(LONG* pl) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_Top(LONG Top) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Width(LONG* pl) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_Width(LONG Width) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Height(LONG* pl) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_Height(LONG Height) override { return E_NOTIMPL; }
    // IWebBrowserApp
    HRESULT STDMETHODCALLTYPE Quit() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE ClientToWindow(int* pcx, int* pcy) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE PutProperty(BSTR Property, VARIANT vtValue) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetProperty(BSTR Property, VARIANT* pvtValue) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE get_Name(BSTR* Name) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_FullName(BSTR* FullName) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Path(BSTR* Path) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Visible(VARIANT_BOOL* pBool) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_Visible(VARIANT_BOOL Value) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_StatusBar(VARIANT_BOOL* pBool) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_StatusBar(VARIANT_BOOL Value) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_StatusText(BSTR* StatusText) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_StatusText(BSTR StatusText) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_ToolBar(int* Value) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_ToolBar(int Value) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_MenuBar(VARIANT_BOOL* Value) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_MenuBar(VARIANT_BOOL Value) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_FullScreen(VARIANT_BOOL* pbFullScreen) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE put_FullScreen(VARIANT_BOOL bFullScreen) override {
        return E_NOTIMPL;
    }
    // IWebBrowser2
    HRESULT STDMETHODCALLTYPE Navigate2(VARIANT* URL, VARIANT* Flags, VARIANT* TargetFrameName,
                                        VARIANT* PostData, VARIANT* Headers) override {
        if (!navigate_) return E_NOTIMPL;
        if (!URL || V_VT(URL) != VT_BSTR) return E_INVALIDARG;
        page_ = navigate_(std::wstring(V_BSTR(URL), SysStringLen(V_BSTR(URL))));
        pollsLeft_ = loadingPolls_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE QueryStatusWB(OLECMDID cmdID, OLECMDF* pcmdf) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE ExecWB(OLECMDID cmdID, OLECMDEXECOPT cmdexecopt, VARIANT* pvaIn,
                                     VARIANT* pvaOut) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE ShowBrowserBar(VARIANT* pvaClsid, VARIANT* pvarShow,
                                             VARIANT* pvarSize) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE get_Offline(VARIANT_BOOL* pbOffline) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_Offline(VARIANT_BOOL bOffline) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Silent(VARIANT_BOOL* pbSilent) override {
        if (!pbSilent) return E_POINTER;
        *pbSilent = silent_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE put_Silent(VARIANT_BOOL bSilent) override {
        silent_ = bSilent;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_RegisterAsBrowser(VARIANT_BOOL* pbRegister) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE put_RegisterAsBrowser(VARIANT_BOOL bRegister) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE get_RegisterAsDropTarget(VARIANT_BOOL* pbRegister) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE put_RegisterAsDropTarget(VARIANT_BOOL bRegister) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE get_TheaterMode(VARIANT_BOOL* pbRegister) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE put_TheaterMode(VARIANT_BOOL bRegister) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_AddressBar(VARIANT_BOOL* Value) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_AddressBar(VARIANT_BOOL Value) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Resizable(VARIANT_BOOL* Value) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_Resizable(VARIANT_BOOL Value) override { return E_NOTIMPL; }

private:
    friend class ComObject<WebBrowser, IWebBrowser2>;
    ~WebBrowser() = default;

    const HWND frame_;
    BrowserPage page_;
    const Navigator navigate_;
    const int loadingPolls_ = 0;
    int pollsLeft_ = 0;
    VARIANT_BOOL silent_ = VARIANT_FALSE;
};

}  // namespace

ComPtr<IWebBrowser2> CreateWebBrowser(HWND frame, BrowserPage page) {
    return ComPtr<IWebBrowser2>::Attach(new WebBrowser(frame, std::move(page)));
}

ComPtr<IWebBrowser2> CreateNavigableWebBrowser(HWND frame, Navigator navigate, int loadingPolls) {
    return ComPtr<IWebBrowser2>::Attach(new WebBrowser(frame, std::move(navigate), loadingPolls));
}

}  // namespace pagelens::standin

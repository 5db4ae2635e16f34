#include "extension/cpagelens.h"

#include <servprov.h>

#include "common/com_boundary.h"
#include "common/module.h"
#include "extension/extension_thread.h"
#include "extension/guids.h"
#include "extension/module_state.h"
#include "extension/snapshot_command.h"

namespace pagelens {

HRESULT cPagelens::Create(REFIID iid, void** result) {
    auto* object = new (std::nothrow) cPagelens();
    if (!object) return E_OUTOFMEMORY;
    HRESULT hr = object->QueryInterface(iid, result);
    object->Release();
    return hr;
}

cPagelens::cPagelens() { ModuleAddRef(); }
cPagelens::~cPagelens() {
    // Released without SetSite(NULL) first: the thread's record must not keep us.
    LeaveExtensionThread(this);
    ModuleRelease();
}

// IUnknown

STDMETHODIMP cPagelens::QueryInterface(REFIID iid, void** result) {
    if (!result) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == IID__cPagelens) {
        *result = static_cast<IDispatch*>(this);
    } else if (iid == IID_IObjectWithSite) {
        *result = static_cast<IObjectWithSite*>(this);
    } else if (iid == IID_IOleCommandTarget) {
        *result = static_cast<IOleCommandTarget*>(this);
    } else {
        *result = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) cPagelens::AddRef() { return InterlockedIncrement(&references_); }

STDMETHODIMP_(ULONG) cPagelens::Release() {
    ULONG count = InterlockedDecrement(&references_);
    if (count == 0) delete this;
    return count;
}

// IDispatch

HRESULT cPagelens::LoadTypeInfo() {
    if (typeInfo_) return S_OK;
    ComPtr<ITypeLib> typeLib;
    HRESULT hr = LoadTypeLibEx(ThisModulePath().c_str(), REGKIND_NONE, typeLib.put());
    if (FAILED(hr)) return hr;
    return typeLib->GetTypeInfoOfGuid(IID__cPagelens, typeInfo_.put());
}

STDMETHODIMP cPagelens::GetTypeInfoCount(UINT* count) {
    if (!count) return E_POINTER;
    *count = 1;
    return S_OK;
}

STDMETHODIMP cPagelens::GetTypeInfo(UINT index, LCID, ITypeInfo** info) {
    return AtComBoundary([&]() -> HRESULT {
        if (!info) return E_POINTER;
        *info = nullptr;
        if (index != 0) return DISP_E_BADINDEX;
        HRESULT hr = LoadTypeInfo();
        if (FAILED(hr)) return hr;
        *info = ComPtr<ITypeInfo>(typeInfo_).detach();
        return S_OK;
    });
}

STDMETHODIMP cPagelens::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
    return AtComBoundary([&]() -> HRESULT {
        HRESULT hr = LoadTypeInfo();
        if (FAILED(hr)) return hr;
        return DispGetIDsOfNames(typeInfo_.get(), names, count, ids);
    });
}

STDMETHODIMP cPagelens::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params,
                               VARIANT* result, EXCEPINFO* exception, UINT* argError) {
    // A handler the type information dispatches to is ours too: the guard covers it.
    return AtComBoundary([&]() -> HRESULT {
        HRESULT hr = LoadTypeInfo();
        if (FAILED(hr)) return hr;
        return DispInvoke(static_cast<IDispatch*>(this), typeInfo_.get(), id, flags, params, result,
                          exception, argError);
    });
}

// IObjectWithSite

STDMETHODIMP cPagelens::SetSite(IUnknown* site) {
    return AtComBoundary([&]() -> HRESULT {
        if (!site) {
            // The browser is letting go of the extension: so do we.
            LeaveExtensionThread(this);
            mBrowser.reset();
            mSite.reset();
            return S_OK;
        }
        mSite = site;
        ComPtr<IServiceProvider> services;
        HRESULT hr = mSite.As(IID_IServiceProvider, services);
        if (FAILED(hr)) return hr;
        GUID service{}, interfaceId{};
        CLSIDFromString(const_cast<LPOLESTR>(L"{0002DF05-0000-0000-C000-000000000046}"), &service);
        CLSIDFromString(const_cast<LPOLESTR>(L"{D30C1661-CDAF-11D0-8A3E-00C04FC9E26E}"),
                        &interfaceId);
        ComPtr<IWebBrowser2> browser;
        hr = services->QueryService(service, interfaceId, browser.put_void());
        if (FAILED(hr)) return hr;
        mBrowser = browser;
        // As a helper object the shortcut is the only way in: there is no toolbar in Edge's IE
        // mode.
        JoinExtensionThread(this, mBrowser.get());
        return S_OK;
    });
}

STDMETHODIMP cPagelens::GetSite(REFIID iid, void** site) {
    return AtComBoundary([&]() -> HRESULT {
        if (!site) return E_POINTER;
        *site = nullptr;
        if (!mSite) return E_FAIL;
        // The site's own answer: a caller that trusts success must get an interface.
        return mSite->QueryInterface(iid, site);
    });
}

// IOleCommandTarget

STDMETHODIMP cPagelens::QueryStatus(const GUID*, ULONG count, OLECMD commands[], OLECMDTEXT*) {
    if (!commands) return E_POINTER;
    for (ULONG i = 0; i < count; ++i) commands[i].cmdf = OLECMDF_SUPPORTED | OLECMDF_ENABLED;
    return S_OK;
}

STDMETHODIMP cPagelens::Exec(const GUID*, DWORD, DWORD, VARIANT*, VARIANT*) {
    // Keeps us (and our browser) alive should the browser let go of us while the window is open.
    ComPtr<IWebBrowser2> browser = mBrowser;
    RunSnapshotCommand(browser.get());
    return S_OK;
}

}  // namespace pagelens

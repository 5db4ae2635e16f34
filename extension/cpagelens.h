// cPagelens: the extension object the browser creates. It keeps the browser's site and the
// browser found through it, reports its command as enabled, and opens the snapshot window.
#pragma once
#include <docobj.h>
#include <exdisp.h>
#include <ocidl.h>

#include "common/com_ptr.h"

namespace pagelens {

class cPagelens final : public IDispatch, public IObjectWithSite, public IOleCommandTarget {
public:
    static HRESULT Create(REFIID iid, void** result);

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID iid, void** result) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    // IDispatch (the dual default interface _cPagelens has no members of its own)
    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;
    STDMETHODIMP GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid,
                               DISPID* ids) override;
    STDMETHODIMP Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params,
                        VARIANT* result, EXCEPINFO* exception, UINT* argError) override;

    // IObjectWithSite
    STDMETHODIMP SetSite(IUnknown* site) override;
    STDMETHODIMP GetSite(REFIID iid, void** site) override;

    // IOleCommandTarget
    STDMETHODIMP QueryStatus(const GUID* group, ULONG count, OLECMD commands[],
                             OLECMDTEXT* text) override;
    STDMETHODIMP Exec(const GUID* group, DWORD id, DWORD options, VARIANT* in,
                      VARIANT* out) override;

private:
    cPagelens();
    ~cPagelens();
    HRESULT LoadTypeInfo();

    LONG references_ = 1;
    ComPtr<IUnknown> mSite;
    ComPtr<IWebBrowser2> mBrowser;
    ComPtr<ITypeInfo> typeInfo_;
};

}  // namespace pagelens

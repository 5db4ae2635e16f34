// The boring parts of the drawn page's COM objects, which may offer several interfaces: the
// reference count (the creator holds the first reference), and IDispatch without type
// information or late-bound members. The derived class answers QueryInterface.
#pragma once
#include <oaidl.h>

#include <atomic>

namespace pagelens::standin {

template <typename Derived, typename... Interfaces>
class PageObject : public Interfaces... {
public:
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --references_;
        if (left == 0) delete static_cast<Derived*>(this);
        return left;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (!count) return E_POINTER;
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return DISP_E_UNKNOWNNAME;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                     UINT*) override {
        return DISP_E_MEMBERNOTFOUND;
    }

protected:
    virtual ~PageObject() = default;

    // QueryInterface's answer through the interface `Interface` of this object.
    template <typename Interface>
    HRESULT Answer(void** ppv) {
        *ppv = static_cast<Interface*>(static_cast<Derived*>(this));
        AddRef();
        return S_OK;
    }

private:
    std::atomic<ULONG> references_{1};
};

}  // namespace pagelens::standin

// What the stand-in's COM objects share: a reference count that starts at one for the creator
// and deletes the object at its last Release, and (for dispatch interfaces) the answer that there
// is no type information. Derived classes keep their destructor private and befriend the base.
#pragma once
#include <oaidl.h>

#include <atomic>

namespace pagelens::standin {

template <typename Derived, typename Interface>
class ComObject : public Interface {
public:
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --references_;
        if (left == 0) delete static_cast<Derived*>(this);
        return left;
    }

protected:
    // QueryInterface's answer when `ppv` is to receive this object's interface.
    HRESULT Answer(void** ppv) {
        *ppv = static_cast<Interface*>(this);
        AddRef();
        return S_OK;
    }

private:
    std::atomic<ULONG> references_{1};
};

template <typename Derived, typename Interface>
class DispatchObject : public ComObject<Derived, Interface> {
public:
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (!count) return E_POINTER;
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
};

}  // namespace pagelens::standin

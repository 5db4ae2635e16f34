#include "extension/class_factory.h"

#include "common/com_boundary.h"
#include "extension/cpagelens.h"
#include "extension/guids.h"
#include "extension/module_state.h"

namespace pagelens {
namespace {

// Static lifetime: the factory counts as a module reference only while a caller holds it.
class ClassFactory final : public IClassFactory {
public:
    // IUnknown
    STDMETHODIMP QueryInterface(REFIID iid, void** result) override {
        if (!result) return E_POINTER;
        if (iid == IID_IUnknown || iid == IID_IClassFactory) {
            *result = static_cast<IClassFactory*>(this);
            AddRef();
            return S_OK;
        }
        *result = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override {
        ModuleAddRef();
        return 2;
    }
    STDMETHODIMP_(ULONG) Release() override {
        ModuleRelease();
        return 1;
    }

    // IClassFactory
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** result) override {
        if (!result) return E_POINTER;
        *result = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        return AtComBoundary([&] { return cPagelens::Create(iid, result); });
    }
    STDMETHODIMP LockServer(BOOL lock) override {
        if (lock)
            ModuleAddRef();
        else
            ModuleRelease();
        return S_OK;
    }
};

ClassFactory gFactory;

}  // namespace

HRESULT GetClassFactory(REFCLSID clsid, REFIID iid, void** result) {
    if (!result) return E_POINTER;
    *result = nullptr;
    if (clsid != CLSID_cPagelens) return CLASS_E_CLASSNOTAVAILABLE;
    return gFactory.QueryInterface(iid, result);
}

}  // namespace pagelens

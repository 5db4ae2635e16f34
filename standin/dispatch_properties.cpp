// Late-bound property reads for the stand-in objects (see the header).
#include "standin/dispatch_properties.h"

#include <oleauto.h>

namespace pagelens::standin {

HRESULT IdsOfNames(std::span<const NamedDispid> table, LPOLESTR* names, UINT count, DISPID* ids) {
    if (!names || !ids) return E_POINTER;
    if (count == 0) return S_OK;
    for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
    for (const auto& entry : table) {
        if (names[0] && _wcsicmp(names[0], entry.name) == 0) {
            ids[0] = entry.id;
            // Our properties take no arguments, so any argument name is unknown.
            return count == 1 ? S_OK : DISP_E_UNKNOWNNAME;
        }
    }
    return DISP_E_UNKNOWNNAME;
}

HRESULT CheckPropertyGet(WORD flags, const DISPPARAMS* params, VARIANT* result) {
    if (!(flags & DISPATCH_PROPERTYGET)) return DISP_E_MEMBERNOTFOUND;
    if (params && params->cArgs != 0) return DISP_E_BADPARAMCOUNT;
    if (!result) return E_INVALIDARG;
    VariantInit(result);
    return S_OK;
}

HRESULT StringResult(const std::wstring& text, VARIANT* result) {
    HRESULT hr = CopyToBstr(text, &V_BSTR(result));
    if (SUCCEEDED(hr)) V_VT(result) = VT_BSTR;
    return hr;
}

HRESULT ObjectResult(IDispatch* object, VARIANT* result) {
    if (object) object->AddRef();
    V_VT(result) = VT_DISPATCH;
    V_DISPATCH(result) = object;
    return S_OK;
}

HRESULT CopyToBstr(const std::wstring& text, BSTR* out) {
    if (!out) return E_POINTER;
    *out = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return *out ? S_OK : E_OUTOFMEMORY;
}

}  // namespace pagelens::standin

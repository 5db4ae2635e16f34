// Late-bound reading of the few properties that the stand-in's objects really have: the name
// table answers GetIDsOfNames, and Invoke accepts only argument-less property reads of them.
#pragma once
#include <oaidl.h>

#include <span>
#include <string>

namespace pagelens::standin {

struct NamedDispid {
    const wchar_t* name;
    DISPID id;
};

// GetIDsOfNames over a table: one name (no argument names), compared without regard to case.
HRESULT IdsOfNames(std::span<const NamedDispid> table, LPOLESTR* names, UINT count, DISPID* ids);

// Checks that an Invoke call is a property read without arguments and readies the result.
HRESULT CheckPropertyGet(WORD flags, const DISPPARAMS* params, VARIANT* result);

// Property values as variants; the strings are copied.
HRESULT StringResult(const std::wstring& text, VARIANT* result);
HRESULT ObjectResult(IDispatch* object, VARIANT* result);

// A property read of a string: a copy the caller frees.
HRESULT CopyToBstr(const std::wstring& text, BSTR* out);

}  // namespace pagelens::standin

// The one class factory of the library; it makes cPagelens objects.
#pragma once
#include <unknwn.h>

namespace pagelens {

HRESULT GetClassFactory(REFCLSID clsid, REFIID iid, void** result);

}  // namespace pagelens

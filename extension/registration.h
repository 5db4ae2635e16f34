// Registration of the class and its type library, and their complete removal.
#pragma once
#include <windows.h>

#include <string>

namespace pagelens {

HRESULT RegisterServer(const std::wstring& modulePath);
HRESULT UnregisterServer(const std::wstring& modulePath);

}  // namespace pagelens

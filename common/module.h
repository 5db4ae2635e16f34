// The module (DLL or program) that this code is linked into.
#pragma once
#include <windows.h>

#include <string>

namespace pagelens {

HMODULE ThisModule();
std::wstring ThisModulePath();

}  // namespace pagelens

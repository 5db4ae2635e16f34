// What the library counts as a whole: live objects and server locks, for DllCanUnloadNow.
#pragma once
#include <windows.h>

namespace pagelens {

void ModuleAddRef();
void ModuleRelease();
bool ModuleInUse();

}  // namespace pagelens

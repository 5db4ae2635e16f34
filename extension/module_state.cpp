#include "extension/module_state.h"

namespace pagelens {
namespace {
LONG gModuleReferences = 0;
}

void ModuleAddRef() { InterlockedIncrement(&gModuleReferences); }
void ModuleRelease() { InterlockedDecrement(&gModuleReferences); }
bool ModuleInUse() { return InterlockedCompareExchange(&gModuleReferences, 0, 0) != 0; }

}  // namespace pagelens

// The library's entry point and its four exports.
#include <windows.h>

#include "common/com_boundary.h"
#include "common/module.h"
#include "extension/class_factory.h"
#include "extension/module_state.h"
#include "extension/registration.h"

// Thread notifications stay on: the static runtime's thread-local storage depends on them.
BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }

using pagelens::AtComBoundary;

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** result) {
    return AtComBoundary([&] { return pagelens::GetClassFactory(clsid, iid, result); });
}

STDAPI DllCanUnloadNow() { return pagelens::ModuleInUse() ? S_FALSE : S_OK; }

STDAPI DllRegisterServer() {
    return AtComBoundary([] { return pagelens::RegisterServer(pagelens::ThisModulePath()); });
}

STDAPI DllUnregisterServer() {
    return AtComBoundary([] { return pagelens::UnregisterServer(pagelens::ThisModulePath()); });
}

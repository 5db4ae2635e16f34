// The library's entry point and its four exports.
#include <windows.h>

#include "common/module.h"
#include "extension/class_factory.h"
#include "extension/module_state.h"
#include "extension/registration.h"

// Thread notifications stay on: the static runtime's thread-local storage depends on them.
BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** result) {
    return pagelens::GetClassFactory(clsid, iid, result);
}

STDAPI DllCanUnloadNow() { return pagelens::ModuleInUse() ? S_FALSE : S_OK; }

STDAPI DllRegisterServer() { return pagelens::RegisterServer(pagelens::ThisModulePath()); }

STDAPI DllUnregisterServer() { return pagelens::UnregisterServer(pagelens::ThisModulePath()); }

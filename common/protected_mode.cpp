#include "common/protected_mode.h"

#include <objbase.h>

namespace pagelens {
namespace {

template <typename F>
void Find(HMODULE module, const char* name, F& slot) {
    slot = module ? reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)))
                  : nullptr;
}

// Inside Internet Explorer ieframe.dll is loaded already; elsewhere it is loaded from the
// system folder, never by a bare name that the current folder could answer. It stays loaded:
// the pointers are kept for the process's life.
ProtectedModeFunctions LoadIeFrame() {
    HMODULE module = GetModuleHandleW(L"ieframe.dll");
    if (!module) {
        wchar_t system[MAX_PATH];
        const UINT n = GetSystemDirectoryW(system, MAX_PATH);
        if (n > 0 && n < MAX_PATH)
            module = LoadLibraryW((std::wstring(system, n) + L"\\ieframe.dll").c_str());
    }
    ProtectedModeFunctions f;
    Find(module, "IEIsProtectedModeProcess", f.IEIsProtectedModeProcess);
    Find(module, "IEGetWriteableHKCU", f.IEGetWriteableHKCU);
    Find(module, "IEGetWriteableFolderPath", f.IEGetWriteableFolderPath);
    Find(module, "IEShowSaveFileDialog", f.IEShowSaveFileDialog);
    Find(module, "IESaveFile", f.IESaveFile);
    Find(module, "IECancelSaveFile", f.IECancelSaveFile);
    return f;
}

const ProtectedModeFunctions* gOverride = nullptr;

}  // namespace

const ProtectedModeFunctions& ProtectedModeApi() {
    if (gOverride) return *gOverride;
    static const ProtectedModeFunctions functions = LoadIeFrame();
    return functions;
}

ProtectedModeApiOverride::ProtectedModeApiOverride(const ProtectedModeFunctions& functions)
    : previous_(gOverride) {
    gOverride = &functions;
}

ProtectedModeApiOverride::~ProtectedModeApiOverride() { gOverride = previous_; }

bool InProtectedMode() {
    const auto& api = ProtectedModeApi();
    BOOL result = FALSE;
    return api.IEIsProtectedModeProcess && SUCCEEDED(api.IEIsProtectedModeProcess(&result)) &&
           result;
}

std::optional<UniqueHkey> WriteableUserKey() {
    const auto& api = ProtectedModeApi();
    if (!api.IEGetWriteableHKCU || !InProtectedMode()) return std::nullopt;
    UniqueHkey key;
    if (FAILED(api.IEGetWriteableHKCU(key.put())) || !key) return std::nullopt;
    return key;
}

std::optional<std::wstring> WriteableFolder(REFGUID folderId) {
    const auto& api = ProtectedModeApi();
    if (!api.IEGetWriteableFolderPath || !InProtectedMode()) return std::nullopt;
    LPWSTR path = nullptr;
    if (FAILED(api.IEGetWriteableFolderPath(folderId, &path)) || !path) return std::nullopt;
    std::wstring folder(path);
    CoTaskMemFree(path);
    while (!folder.empty() && folder.back() == L'\\') folder.pop_back();
    if (folder.empty()) return std::nullopt;
    return folder;
}

}  // namespace pagelens

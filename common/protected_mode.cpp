#include "common/protected_mode.h"

#include <objbase.h>

namespace pagelens {
namespace {

template <typename F>
void Find(HMODULE module, const char* name, F& slot) {
    slot = module ? reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)))
                  : nullptr;
}

// False where the token cannot tell (before Windows 8 there are no AppContainers).
HRESULT WINAPI IsAppContainerToken(BOOL* result) {
    *result = FALSE;
    HANDLE raw = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &raw))
        return HRESULT_FROM_WIN32(GetLastError());
    UniqueHandleK token(raw);
    DWORD isAppContainer = 0, size = 0;
    if (!GetTokenInformation(token.get(), TokenIsAppContainer, &isAppContainer,
                             sizeof isAppContainer, &size))
        return HRESULT_FROM_WIN32(GetLastError());
    *result = isAppContainer != 0;
    return S_OK;
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
    f.IsAppContainerProcess = IsAppContainerToken;
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
    if (api.IEIsProtectedModeProcess && SUCCEEDED(api.IEIsProtectedModeProcess(&result)) && result)
        return true;
    result = FALSE;
    return api.IsAppContainerProcess && SUCCEEDED(api.IsAppContainerProcess(&result)) && result;
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

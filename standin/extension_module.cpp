// The extension DLL seen from outside: regsvr32 and the loaded module (see the header).
#include "standin/extension_module.h"

#include <windows.h>

#include "common/unique_handle.h"
#include "standin/snapshot_window_driver.h"

namespace pagelens::standin {

Status RunRegsvr32(const std::wstring& dllPath, bool unregister) {
    std::wstring line =
        std::wstring(L"regsvr32.exe /s ") + (unregister ? L"/u " : L"") + L"\"" + dllPath + L"\"";
    STARTUPINFOW startup{sizeof startup};
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        return DriverError(L"regsvr32 could not start (error " + std::to_wstring(GetLastError()) +
                           L")");
    UniqueHandleK processHandle(process.hProcess);
    UniqueHandleK threadHandle(process.hThread);
    if (WaitForSingleObject(processHandle.get(), 60000) != WAIT_OBJECT_0)
        return DriverError(L"regsvr32 did not finish within a minute");
    DWORD code = 1;
    GetExitCodeProcess(processHandle.get(), &code);
    if (code != 0)
        return DriverError(L"regsvr32 " + std::wstring(unregister ? L"/u " : L"") + dllPath +
                           L" failed with exit code " + std::to_wstring(code));
    return {};
}

std::wstring LoadedExtensionPath() {
    HMODULE module = GetModuleHandleW(kExtensionDllName);
    if (!module) return {};
    wchar_t path[MAX_PATH];
    DWORD n = GetModuleFileNameW(module, path, MAX_PATH);
    return n > 0 && n < MAX_PATH ? std::wstring(path, n) : std::wstring();
}

std::vector<std::wstring> WorkFileCandidates(const std::wstring& dllPath) {
    size_t slash = dllPath.find_last_of(L"\\/");
    std::wstring folder = slash == std::wstring::npos ? L"" : dllPath.substr(0, slash + 1);
    wchar_t temp[MAX_PATH];
    DWORD n = GetTempPathW(MAX_PATH, temp);
    return {folder + kWorkFileName, std::wstring(temp, n) + L"iePagelens\\" + kWorkFileName};
}

}  // namespace pagelens::standin

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

std::vector<std::wstring> WorkFolders(DWORD processId) {
    wchar_t temp[MAX_PATH];
    DWORD n = GetTempPathW(MAX_PATH, temp);
    if (n == 0 || n >= MAX_PATH) return {};
    const std::wstring parent(temp, n);
    std::wstring pattern = parent + kWorkFolderPrefix;
    if (processId) pattern += std::to_wstring(processId) + L"-";
    pattern += L"*";
    std::vector<std::wstring> folders;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return folders;
    do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            folders.push_back(parent + found.cFileName);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return folders;
}

std::vector<std::wstring> WorkFileCandidates() {
    std::vector<std::wstring> files;
    for (const auto& folder : WorkFolders(GetCurrentProcessId()))
        files.push_back(folder + L"\\" + kWorkFileName);
    return files;
}

}  // namespace pagelens::standin

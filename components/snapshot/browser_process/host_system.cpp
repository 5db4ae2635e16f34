#include "components/snapshot/browser_process/host_system.h"

#include <windows.h>

#include "common/text_codepage.h"

namespace pagelens::capture {
namespace {

using UnixFileNameFunction = char*(CDECL*)(const WCHAR*);

UnixFileNameFunction UnixFileName() {
    static const auto function = reinterpret_cast<UnixFileNameFunction>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    return function;
}

}  // namespace

bool RunningUnderWine() { return UnixFileName() != nullptr; }

std::optional<std::wstring> HostPathOf(const std::wstring& windowsPath) {
    const auto convert = UnixFileName();
    if (!convert) return std::nullopt;
    char* hostPath = convert(windowsPath.c_str());
    if (!hostPath) return std::nullopt;
    // The host path is UTF-8; Wine allocates it on the process heap.
    std::wstring converted = FromUtf8(hostPath);
    HeapFree(GetProcessHeap(), 0, hostPath);
    return converted;
}

std::wstring TemporaryFolder() {
    wchar_t buffer[MAX_PATH + 1];
    const DWORD n = GetTempPathW(MAX_PATH + 1, buffer);
    std::wstring folder(buffer, n > 0 && n <= MAX_PATH ? n : 0);
    while (!folder.empty() && folder.back() == L'\\') folder.pop_back();
    if (folder.empty()) folder = L".";
    return folder;
}

}  // namespace pagelens::capture

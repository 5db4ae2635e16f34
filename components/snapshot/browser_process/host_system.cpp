#include "components/snapshot/browser_process/host_system.h"

#include <windows.h>

#include "common/held_folder.h"
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

std::wstring TemporaryFolder() { return UserTemporaryFolder().value_or(std::wstring()); }

}  // namespace pagelens::capture

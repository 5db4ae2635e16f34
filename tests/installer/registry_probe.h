// Small read-only views of the registry for the installer tests. `view` is 0 (the caller's own) or
// KEY_WOW64_32KEY / KEY_WOW64_64KEY.
#pragma once
#include <windows.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace pagelens::test {

bool KeyExists(HKEY root, const std::wstring& path, REGSAM view = 0);
// The key's default value when `name` is empty.
std::optional<std::wstring> ReadText(HKEY root, const std::wstring& path,
                                     const std::wstring& name = L"", REGSAM view = 0);
std::optional<DWORD> ReadNumber(HKEY root, const std::wstring& path, const wchar_t* name,
                                REGSAM view = 0);
// Every value of the key as text (REG_SZ only; other types read as "<type N>").
std::map<std::wstring, std::wstring> ReadAllValues(HKEY root, const std::wstring& path,
                                                   REGSAM view = 0);
int CountSubkeys(HKEY root, const std::wstring& path, REGSAM view = 0);

// Each library an installation puts down: the 32-bit one always, in the 32-bit registry view
// and Program Files folder; in a 64-bit process (the x64 packages) also the 64-bit one in the
// 64-bit view and folder.
struct InstalledView {
    REGSAM view;
    std::wstring programFiles;  // without "\Velmora\iePagelens"
    const wchar_t* typeLibPlatform;
};
std::vector<InstalledView> InstalledViews();

// Where the package and the scripts put the library.
std::wstring Expand(const wchar_t* text);
std::wstring ProgramFolder();
std::wstring InstalledLibrary();

}  // namespace pagelens::test

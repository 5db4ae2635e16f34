// Small read-only views of the registry for the installer tests.
#pragma once
#include <windows.h>

#include <map>
#include <optional>
#include <string>

namespace pagelens::test {

bool KeyExists(HKEY root, const std::wstring& path);
// The key's default value when `name` is empty.
std::optional<std::wstring> ReadText(HKEY root, const std::wstring& path,
                                     const std::wstring& name = L"");
// Every value of the key as text (REG_SZ only; other types read as "<type N>").
std::map<std::wstring, std::wstring> ReadAllValues(HKEY root, const std::wstring& path);
int CountSubkeys(HKEY root, const std::wstring& path);

// Where the package and the scripts put the library.
std::wstring Expand(const wchar_t* text);
std::wstring ProgramFolder();
std::wstring InstalledLibrary();

}  // namespace pagelens::test

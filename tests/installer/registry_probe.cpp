#include "tests/installer/registry_probe.h"

#include <vector>

#include "common/unique_handle.h"

namespace pagelens::test {
namespace {

UniqueHkey Open(HKEY root, const std::wstring& path, REGSAM view) {
    UniqueHkey key;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | view, key.put()) != ERROR_SUCCESS)
        key.reset();
    return key;
}

}  // namespace

bool KeyExists(HKEY root, const std::wstring& path, REGSAM view) {
    return bool(Open(root, path, view));
}

std::optional<std::wstring> ReadText(HKEY root, const std::wstring& path, const std::wstring& name,
                                     REGSAM view) {
    UniqueHkey key = Open(root, path, view);
    const wchar_t* valueName = name.empty() ? nullptr : name.c_str();
    DWORD bytes = 0;
    if (!key || RegGetValueW(key.get(), nullptr, valueName, RRF_RT_REG_SZ, nullptr, nullptr,
                             &bytes) != ERROR_SUCCESS)
        return std::nullopt;
    std::wstring text(bytes / sizeof(wchar_t), L'\0');
    if (RegGetValueW(key.get(), nullptr, valueName, RRF_RT_REG_SZ, nullptr, text.data(), &bytes) !=
        ERROR_SUCCESS)
        return std::nullopt;
    text.resize(wcsnlen(text.c_str(), text.size()));
    return text;
}

std::optional<DWORD> ReadNumber(HKEY root, const std::wstring& path, const wchar_t* name,
                                REGSAM view) {
    UniqueHkey key = Open(root, path, view);
    DWORD value = 0, bytes = sizeof value;
    if (!key || RegGetValueW(key.get(), nullptr, name, RRF_RT_REG_DWORD, nullptr, &value, &bytes) !=
                    ERROR_SUCCESS)
        return std::nullopt;
    return value;
}

std::map<std::wstring, std::wstring> ReadAllValues(HKEY root, const std::wstring& path,
                                                   REGSAM view) {
    std::map<std::wstring, std::wstring> values;
    UniqueHkey key = Open(root, path, view);
    if (!key) return values;
    for (DWORD index = 0;; ++index) {
        wchar_t name[256];
        DWORD nameLength = 256, type = 0, bytes = 0;
        if (RegEnumValueW(key.get(), index, name, &nameLength, nullptr, &type, nullptr, &bytes) !=
            ERROR_SUCCESS)
            break;
        std::vector<BYTE> data(bytes + sizeof(wchar_t), 0);
        nameLength = 256;
        RegEnumValueW(key.get(), index, name, &nameLength, nullptr, &type, data.data(), &bytes);
        values[name] = type == REG_SZ ? std::wstring(reinterpret_cast<const wchar_t*>(data.data()))
                                      : L"<type " + std::to_wstring(type) + L">";
    }
    return values;
}

int CountSubkeys(HKEY root, const std::wstring& path, REGSAM view) {
    UniqueHkey key = Open(root, path, view);
    DWORD count = 0;
    if (!key || RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, &count, nullptr, nullptr,
                                 nullptr, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        return -1;
    return static_cast<int>(count);
}

std::wstring Expand(const wchar_t* text) {
    wchar_t buffer[MAX_PATH];
    DWORD n = ExpandEnvironmentStringsW(text, buffer, MAX_PATH);
    return n ? std::wstring(buffer) : std::wstring();
}

std::wstring ProgramFolder() { return Expand(L"%ProgramFiles%\\Velmora\\iePagelens"); }

std::vector<InstalledView> InstalledViews() {
    if (sizeof(void*) == 4) return {{KEY_WOW64_32KEY, Expand(L"%ProgramFiles%"), L"win32"}};
    return {{KEY_WOW64_32KEY, Expand(L"%ProgramFiles(x86)%"), L"win32"},
            {KEY_WOW64_64KEY, Expand(L"%ProgramFiles%"), L"win64"}};
}
std::wstring InstalledLibrary() { return ProgramFolder() + L"\\iePagelens.dll"; }

}  // namespace pagelens::test

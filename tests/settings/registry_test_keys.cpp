#include "tests/settings/registry_test_keys.h"

#include "common/text_codepage.h"
#include "common/unique_handle.h"

namespace pagelens::test {
namespace {

UniqueHkey Open(HKEY root, const std::wstring& path, REGSAM access) {
    UniqueHkey key;
    if (RegOpenKeyExA(root, ToAnsi(path).c_str(), 0, access, key.put()) != ERROR_SUCCESS)
        key.release();
    return key;
}

}  // namespace

std::vector<BYTE> Bytes(std::string_view text) { return {text.begin(), text.end()}; }

void WriteRaw(HKEY root, const std::wstring& path, const std::wstring& name, DWORD type,
              const std::vector<BYTE>& data) {
    UniqueHkey key;
    if (RegCreateKeyExA(root, ToAnsi(path).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                        key.put(), nullptr) != ERROR_SUCCESS) {
        key.release();
        return;
    }
    RegSetValueExA(key.get(), ToAnsi(name).c_str(), 0, type, data.data(),
                   static_cast<DWORD>(data.size()));
}

std::optional<RawValue> ReadRaw(HKEY root, const std::wstring& path, const std::wstring& name) {
    UniqueHkey key = Open(root, path, KEY_QUERY_VALUE);
    if (!key) return std::nullopt;
    RawValue raw;
    DWORD size = 0;
    std::string ansiName = ToAnsi(name);
    if (RegQueryValueExA(key.get(), ansiName.c_str(), nullptr, &raw.type, nullptr, &size) !=
        ERROR_SUCCESS)
        return std::nullopt;
    raw.data.resize(size + 1);
    DWORD got = size + 1;
    if (RegQueryValueExA(key.get(), ansiName.c_str(), nullptr, &raw.type, raw.data.data(), &got) !=
        ERROR_SUCCESS)
        return std::nullopt;
    raw.data.resize(got);
    return raw;
}

void CreateRawSubkey(HKEY root, const std::wstring& parent, const std::wstring& name) {
    UniqueHkey parentKey = Open(root, parent, KEY_CREATE_SUB_KEY);
    UniqueHkey key;
    if (RegCreateKeyExA(parentKey.get(), ToAnsi(name).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                        nullptr, key.put(), nullptr) != ERROR_SUCCESS)
        key.release();
}

bool RawKeyExists(HKEY root, const std::wstring& path) {
    return static_cast<bool>(Open(root, path, KEY_QUERY_VALUE));
}

std::vector<std::wstring> RawSubkeys(HKEY root, const std::wstring& path) {
    std::vector<std::wstring> names;
    UniqueHkey key = Open(root, path, KEY_ENUMERATE_SUB_KEYS);
    if (!key) return names;
    char name[512];
    for (DWORD i = 0; RegEnumKeyA(key.get(), i, name, sizeof name) == ERROR_SUCCESS; ++i)
        names.push_back(FromAnsi(name));
    return names;
}

void DeleteTree(HKEY root, const std::wstring& path) {
    RegDeleteTreeA(root, ToAnsi(path).c_str());
    RegDeleteKeyA(root, ToAnsi(path).c_str());
}

ScratchKey::ScratchKey() {
    static LONG counter = 0;
    path_ = L"Software\\VelmoraTest\\run-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
            std::to_wstring(GetTickCount()) + L"-" +
            std::to_wstring(InterlockedIncrement(&counter));
    DeleteTree(HKEY_CURRENT_USER, path_);
}

ScratchKey::~ScratchKey() {
    DeleteTree(HKEY_CURRENT_USER, path_);
    // Only when no other run still uses it.
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\VelmoraTest");
}

SettingsKeyGuard::SettingsKeyGuard() {
    for (const wchar_t* path :
         {L"Software\\Velmora", L"Software\\Velmora\\iePagelens", kSettingsPath.c_str()}) {
        if (!RawKeyExists(HKEY_LOCAL_MACHINE, path)) {
            firstMissing_ = path;
            break;
        }
    }
    hadSettings_ = firstMissing_.empty();
    if (hadSettings_) {
        UniqueHkey key = Open(HKEY_LOCAL_MACHINE, kSettingsPath, KEY_QUERY_VALUE);
        char name[16384];
        for (DWORD i = 0;; ++i) {
            DWORD length = sizeof name;
            if (RegEnumValueA(key.get(), i, name, &length, nullptr, nullptr, nullptr, nullptr) !=
                ERROR_SUCCESS)
                break;
            std::wstring wideName = FromAnsi(std::string_view(name, length));
            if (auto raw = ReadRaw(HKEY_LOCAL_MACHINE, kSettingsPath, wideName))
                saved_.push_back({wideName, *raw});
        }
    }
    DeleteTree(HKEY_LOCAL_MACHINE, kSettingsPath);
}

SettingsKeyGuard::~SettingsKeyGuard() {
    DeleteTree(HKEY_LOCAL_MACHINE, kSettingsPath);
    if (!hadSettings_) {
        DeleteTree(HKEY_LOCAL_MACHINE, firstMissing_);
        return;
    }
    UniqueHkey key;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, ToAnsi(kSettingsPath).c_str(), 0, nullptr, 0,
                        KEY_ALL_ACCESS, nullptr, key.put(), nullptr) != ERROR_SUCCESS) {
        key.release();
        return;
    }
    for (const auto& [name, value] : saved_)
        RegSetValueExA(key.get(), ToAnsi(name).c_str(), 0, value.type, value.data.data(),
                       static_cast<DWORD>(value.data.size()));
}

}  // namespace pagelens::test

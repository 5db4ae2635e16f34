// Registry fixtures for the settings tests: a throwaway key under HKEY_CURRENT_USER, a guard
// that puts the real settings key back as it was, and raw reads and writes that bypass cRegistry
// so that each test checks the stored bytes themselves.
#pragma once
#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace pagelens::test {

inline constexpr int32_t kHkeyCurrentUser = static_cast<int32_t>(0x80000001u);
// Where the settings are kept, below HKEY_LOCAL_MACHINE (or the user's key), spelled out here
// rather than taken from the code under test.
inline const std::wstring kSettingsPath = L"Software\\Velmora\\iePagelens\\Settings";

struct RawValue {
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
    bool operator==(const RawValue&) const = default;
};

std::vector<BYTE> Bytes(std::string_view text);  // the characters as bytes, NULs included
void WriteRaw(HKEY root, const std::wstring& path, const std::wstring& name, DWORD type,
              const std::vector<BYTE>& data);
std::optional<RawValue> ReadRaw(HKEY root, const std::wstring& path, const std::wstring& name);
// Created below an opened parent: Wine limits a whole path given from a root to MAX_PATH.
void CreateRawSubkey(HKEY root, const std::wstring& parent, const std::wstring& name);
bool RawKeyExists(HKEY root, const std::wstring& path);
std::vector<std::wstring> RawSubkeys(HKEY root, const std::wstring& path);
void DeleteTree(HKEY root, const std::wstring& path);

// HKEY_CURRENT_USER\Software\VelmoraTest\<unique>, removed with everything below it.
class ScratchKey {
public:
    ScratchKey();
    ~ScratchKey();
    ScratchKey(const ScratchKey&) = delete;
    ScratchKey& operator=(const ScratchKey&) = delete;
    const std::wstring& path() const { return path_; }
    std::wstring below(const std::wstring& name) const { return path_ + L"\\" + name; }

private:
    std::wstring path_;
};

// Removes HKLM\Software\Velmora\iePagelens\Settings for the test and restores its values after;
// parents that did not exist before are removed again.
class SettingsKeyGuard {
public:
    SettingsKeyGuard();
    ~SettingsKeyGuard();
    SettingsKeyGuard(const SettingsKeyGuard&) = delete;
    SettingsKeyGuard& operator=(const SettingsKeyGuard&) = delete;

private:
    struct NamedValue {
        std::wstring name;
        RawValue value;
    };
    std::wstring firstMissing_;  // the outermost key that the test may create, if any
    bool hadSettings_ = false;
    std::vector<NamedValue> saved_;
};

}  // namespace pagelens::test

// Registry and locale states that tests set up as a standard user or another country finds
// them, each put back when the guard goes (also when the test fails half-way).
#pragma once
#include <windows.h>

#include <string>
#include <vector>

namespace pagelens::test {

// The key root\path (created if missing) refuses KEY_SET_VALUE and KEY_CREATE_SUB_KEY to
// everyone, as HKEY_LOCAL_MACHINE's keys do to a standard user; reading still works. The key's
// own security descriptor is restored afterwards; a key the guard created is removed.
class ReadOnlyKeyGuard {
public:
    ReadOnlyKeyGuard(HKEY root, const std::wstring& path);
    ~ReadOnlyKeyGuard();
    ReadOnlyKeyGuard(const ReadOnlyKeyGuard&) = delete;
    ReadOnlyKeyGuard& operator=(const ReadOnlyKeyGuard&) = delete;
    bool applied() const { return applied_; }

private:
    HKEY root_;
    std::wstring path_;
    bool created_ = false;
    bool applied_ = false;
    std::vector<BYTE> original_;  // the key's DACL as it was, self-relative
};

// The user's decimal sign is `sign` (through SetLocaleInfo, which the locale functions of this
// process see at once); the previous sign is put back afterwards.
class DecimalSignGuard {
public:
    explicit DecimalSignGuard(const wchar_t* sign);
    ~DecimalSignGuard();
    DecimalSignGuard(const DecimalSignGuard&) = delete;
    DecimalSignGuard& operator=(const DecimalSignGuard&) = delete;

private:
    std::wstring previous_;
};

// HKEY_CURRENT_USER\Software\Velmora\iePagelens is removed now and when the guard goes, and
// Software\Velmora too if the test made it.
class UserSettingsGuard {
public:
    UserSettingsGuard();
    ~UserSettingsGuard();
    UserSettingsGuard(const UserSettingsGuard&) = delete;
    UserSettingsGuard& operator=(const UserSettingsGuard&) = delete;

private:
    bool hadVelmora_ = false;
};

}  // namespace pagelens::test

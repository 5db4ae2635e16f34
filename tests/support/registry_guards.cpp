#include "tests/support/registry_guards.h"

#include <sddl.h>

namespace pagelens::test {
namespace {

// Deny set-value (2) and create-subkey (4); allow reading, and changing the DACL and deleting so
// that the guard can undo it.
constexpr wchar_t kReadOnlySddl[] = L"D:P(D;;0x6;;;WD)(A;;KRWDSD;;;WD)";

bool KeyExists(HKEY root, const wchar_t* path) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

}  // namespace

ReadOnlyKeyGuard::ReadOnlyKeyGuard(HKEY root, const std::wstring& path) : root_(root), path_(path) {
    HKEY key = nullptr;
    DWORD disposition = 0;
    if (RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_READ | WRITE_DAC | READ_CONTROL,
                        nullptr, &key, &disposition) != ERROR_SUCCESS)
        return;
    created_ = disposition == REG_CREATED_NEW_KEY;
    DWORD size = 0;
    RegGetKeySecurity(key, DACL_SECURITY_INFORMATION, nullptr, &size);
    original_.resize(size);
    if (size == 0 ||
        RegGetKeySecurity(key, DACL_SECURITY_INFORMATION, original_.data(), &size) != ERROR_SUCCESS)
        original_.clear();
    PSECURITY_DESCRIPTOR readOnly = nullptr;
    if (ConvertStringSecurityDescriptorToSecurityDescriptorW(kReadOnlySddl, SDDL_REVISION_1,
                                                             &readOnly, nullptr)) {
        applied_ = RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, readOnly) == ERROR_SUCCESS;
        LocalFree(readOnly);
    }
    RegCloseKey(key);
}

ReadOnlyKeyGuard::~ReadOnlyKeyGuard() {
    HKEY key = nullptr;
    if (RegOpenKeyExW(root_, path_.c_str(), 0, WRITE_DAC, &key) == ERROR_SUCCESS) {
        if (!original_.empty()) RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, original_.data());
        RegCloseKey(key);
    }
    if (created_) RegDeleteTreeW(root_, path_.c_str());
}

DecimalSignGuard::DecimalSignGuard(const wchar_t* sign) {
    wchar_t buffer[8] = L".";
    GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, buffer, 8);
    previous_ = buffer;
    SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, sign);
}

DecimalSignGuard::~DecimalSignGuard() {
    SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, previous_.c_str());
}

UserSettingsGuard::UserSettingsGuard() {
    hadVelmora_ = KeyExists(HKEY_CURRENT_USER, L"Software\\Velmora");
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Velmora\\iePagelens");
}

UserSettingsGuard::~UserSettingsGuard() {
    RegDeleteTreeW(HKEY_CURRENT_USER,
                   hadVelmora_ ? L"Software\\Velmora\\iePagelens" : L"Software\\Velmora");
}

}  // namespace pagelens::test

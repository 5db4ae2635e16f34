// The settings routines: each call builds its own cRegistry for one value under
// HKEY_LOCAL_MACHINE\Software\<application path>\<section>; nothing is kept between calls.
#include "settings/settings.h"

#include "common/module.h"
#include "settings/registry.h"

namespace pagelens {
namespace {

std::wstring SettingsKeyPath(std::wstring_view appName, std::wstring_view section) {
    std::wstring path = L"Software\\";
    path.append(appName).append(L"\\").append(section);
    return path;
}

}  // namespace

SettingValue GetRegSetting(std::wstring_view appName, std::wstring_view section,
                           std::wstring_view valueName, const SettingValue& defaultValue) {
    cRegistry registry;
    registry.ClassKey(kHkeyLocalMachine);
    registry.SectionKey(SettingsKeyPath(appName, section));
    registry.ValueKey(std::wstring(valueName));
    registry.Default(defaultValue);
    return registry.Value();
}

Status SaveRegSetting(std::wstring_view appName, std::wstring_view section,
                      std::wstring_view valueName, const SettingValue& value) {
    cRegistry registry;
    registry.ClassKey(kHkeyLocalMachine);
    registry.SectionKey(SettingsKeyPath(appName, section));
    registry.ValueKey(std::wstring(valueName));
    registry.ValueType(REG_SZ);
    return registry.Value(value);
}

// Empty only if the module's own file name cannot be had, which leaves callers with names
// relative to the current folder.
std::wstring GetAppPath() {
    std::wstring path = ThisModulePath();
    size_t lastSlash = path.find_last_of(L'\\');
    if (lastSlash == std::wstring::npos) return {};
    path.resize(lastSlash);
    // A module at a drive root leaves "C:", whose folder is "C:\".
    if (path.empty() || path.back() != L'\\') path += L'\\';
    return path;
}

}  // namespace pagelens

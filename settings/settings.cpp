// The settings routines: each call builds its own cRegistry for each key it looks at, under
// Software\<application path>\<section> of the user's and the machine's branch (see
// setting_locations.h); nothing is kept between calls.
#include "settings/settings.h"

#include <optional>
#include <variant>

#include "common/module.h"
#include "settings/registry.h"
#include "settings/setting_locations.h"

namespace pagelens {
namespace {

std::wstring SettingsKeyPath(std::wstring_view appName, std::wstring_view section) {
    std::wstring path = L"Software\\";
    path.append(appName).append(L"\\").append(section);
    return path;
}

cRegistry SettingRegistry(int32_t root, std::wstring_view appName, std::wstring_view section,
                          std::wstring_view valueName) {
    cRegistry registry;
    registry.ClassKey(root);
    registry.SectionKey(SettingsKeyPath(appName, section));
    registry.ValueKey(std::wstring(valueName));
    return registry;
}

// Nothing when the value is not stored under `root`.
std::optional<SettingValue> StoredUnder(int32_t root, std::wstring_view appName,
                                        std::wstring_view section, std::wstring_view valueName) {
    cRegistry registry = SettingRegistry(root, appName, section, valueName);
    SettingValue value = registry.Value();  // Default stays empty: a stored value never is
    if (std::holds_alternative<std::monostate>(value)) return std::nullopt;
    return value;
}

Status WriteUnder(int32_t root, std::wstring_view appName, std::wstring_view section,
                  std::wstring_view valueName, const SettingValue& value) {
    cRegistry registry = SettingRegistry(root, appName, section, valueName);
    registry.ValueType(REG_SZ);
    // Settings hold addresses and paths as the user typed them; a stored REG_EXPAND_SZ value
    // (written by hand or by an older version) is still read expanded.
    registry.StoreTextAsWritten();
    return registry.Value(value);
}

}  // namespace

SettingValue GetRegSetting(std::wstring_view appName, std::wstring_view section,
                           std::wstring_view valueName, const SettingValue& defaultValue) {
    const auto locations = SettingLocations::ForThisProcess();
    for (int32_t root : locations.ReadOrder())
        if (auto value = StoredUnder(root, appName, section, valueName)) return std::move(*value);
    return defaultValue;
}

// The machine's key first, as always; a refusal sends the value to the user's key. When the
// machine's key takes it, a user's value of the same name (which reads first) is kept equal.
Status SaveRegSetting(std::wstring_view appName, std::wstring_view section,
                      std::wstring_view valueName, const SettingValue& value) {
    const auto locations = SettingLocations::ForThisProcess();
    Status machine = WriteUnder(kHkeyLocalMachine, appName, section, valueName, value);
    if (machine.ok()) {
        for (int32_t root : locations.ReadOrder())
            if (root != kHkeyLocalMachine && StoredUnder(root, appName, section, valueName))
                (void)WriteUnder(root, appName, section, valueName, value);
        return {};
    }
    if (WriteUnder(locations.UserRoot(), appName, section, valueName, value).ok()) return {};
    return machine;
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

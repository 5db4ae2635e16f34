// The settings routines: one named text value each under
// HKEY_LOCAL_MACHINE\Software\Velmora\iePagelens\Settings (or the same path of the user's key,
// where the machine's refuses a write: see setting_locations.h), and the program's own folder.
#pragma once
#include <string>
#include <string_view>

#include "common/run_error.h"
#include "common/setting_value.h"

namespace pagelens {

inline constexpr wchar_t kAppName[] = L"Velmora\\iePagelens";
inline constexpr wchar_t kSettingsSection[] = L"Settings";

// The maker's web site, the default of PagelensAddress.
inline constexpr wchar_t kDefaultAddress[] = L"www.velmora.example";

namespace setting {
inline constexpr wchar_t MainLeft[] = L"MainLeft";
inline constexpr wchar_t MainTop[] = L"MainTop";
inline constexpr wchar_t MainWidth[] = L"MainWidth";
inline constexpr wchar_t MainHeight[] = L"MainHeight";
inline constexpr wchar_t PagelensAddress[] = L"PagelensAddress";
inline constexpr wchar_t JpegQuality[] = L"JpegQuality";
inline constexpr wchar_t PagelensWidth[] = L"PagelensWidth";
inline constexpr wchar_t PagelensHeight[] = L"PagelensHeight";
inline constexpr wchar_t ImageType[] = L"ImageType";
// Read by the extension only, once per browser thread; never written.
inline constexpr wchar_t Shortcut[] = L"Shortcut";
}  // namespace setting

// Reads one setting, the user's value before the machine's; the default, unchanged in its own
// kind, when neither is stored or readable.
SettingValue GetRegSetting(std::wstring_view appName, std::wstring_view section,
                           std::wstring_view valueName, const SettingValue& defaultValue);

// Writes one setting as text to the machine's key, or to the user's when the machine's refuses;
// when neither takes it, the machine's error of cRegistry's write passes through unchanged.
Status SaveRegSetting(std::wstring_view appName, std::wstring_view section,
                      std::wstring_view valueName, const SettingValue& value);

// The folder of this module's file, with one trailing backslash.
std::wstring GetAppPath();

}  // namespace pagelens

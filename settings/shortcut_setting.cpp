#include "settings/shortcut_setting.h"

#include <cwctype>
#include <string>
#include <variant>

#include "settings/settings.h"

namespace pagelens {
namespace {

std::wstring_view Trim(std::wstring_view text) {
    while (!text.empty() && std::iswspace(text.front())) text.remove_prefix(1);
    while (!text.empty() && std::iswspace(text.back())) text.remove_suffix(1);
    return text;
}

bool SameLetters(std::wstring_view a, std::wstring_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::towupper(a[i]) != std::towupper(b[i])) return false;
    return true;
}

// The virtual-key code of a key's name, or 0.
UINT KeyCode(std::wstring_view name) {
    if (name.size() == 1) {
        const wchar_t c = static_cast<wchar_t>(std::towupper(name[0]));
        if ((c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9')) return c;
        return 0;
    }
    if (name.size() > 3 || std::towupper(name[0]) != L'F') return 0;
    int number = 0;
    for (wchar_t c : name.substr(1)) {
        if (c < L'0' || c > L'9') return 0;
        number = number * 10 + (c - L'0');
    }
    if (name[1] == L'0' || number < 1 || number > 24) return 0;
    return VK_F1 + static_cast<UINT>(number - 1);
}

}  // namespace

std::optional<Shortcut> ParseShortcut(std::wstring_view text) {
    text = Trim(text);
    if (text.empty()) return Shortcut{};
    Shortcut shortcut;
    for (;;) {
        const size_t plus = text.find(L'+');
        const std::wstring_view part = Trim(text.substr(0, plus));
        if (part.empty()) return std::nullopt;
        if (plus == std::wstring_view::npos) {
            shortcut.key = KeyCode(part);
            break;
        }
        bool* modifier = nullptr;
        if (SameLetters(part, L"Ctrl") || SameLetters(part, L"Control"))
            modifier = &shortcut.control;
        else if (SameLetters(part, L"Shift"))
            modifier = &shortcut.shift;
        else if (SameLetters(part, L"Alt"))
            modifier = &shortcut.alt;
        if (!modifier || *modifier) return std::nullopt;
        *modifier = true;
        text.remove_prefix(plus + 1);
    }
    if (shortcut.key == 0) return std::nullopt;
    const bool typesCharacter = shortcut.key < VK_F1 || shortcut.key > VK_F24;
    if (typesCharacter && !shortcut.control && !shortcut.alt) return std::nullopt;
    return shortcut;
}

Shortcut ShortcutFromSetting(std::wstring_view text) {
    return ParseShortcut(text).value_or(kDefaultShortcut);
}

Shortcut ReadShortcutSetting() {
    const SettingValue value =
        GetRegSetting(kAppName, kSettingsSection, setting::Shortcut, SettingValue{});
    if (std::holds_alternative<std::monostate>(value)) return kDefaultShortcut;
    if (const auto* text = std::get_if<std::wstring>(&value)) return ShortcutFromSetting(*text);
    return kDefaultShortcut;
}

}  // namespace pagelens

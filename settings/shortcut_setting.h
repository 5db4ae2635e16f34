// The keyboard shortcut that opens the snapshot window where no toolbar button can be shown: its
// text form as the `Shortcut` setting holds it ("Ctrl+Shift+S", "Ctrl+Alt+P", empty for none).
#pragma once
#include <windows.h>

#include <optional>
#include <string_view>

namespace pagelens {

struct Shortcut {
    UINT key = 0;  // a virtual-key code; 0: no shortcut
    bool control = false;
    bool shift = false;
    bool alt = false;

    bool operator==(const Shortcut&) const = default;
};

inline constexpr Shortcut kDefaultShortcut{'S', true, true, false};

// Modifiers (Ctrl or Control, Shift, Alt) and one key (a letter, a digit, F1 to F24) joined by
// '+', in any case, spaces allowed around the parts. A letter or digit needs Ctrl or Alt, so
// that the shortcut never takes a character the user types. Nothing when the text is no such
// shortcut; an empty (or blank) text is the shortcut "none".
std::optional<Shortcut> ParseShortcut(std::wstring_view text);

// The shortcut a setting's text gives: its parse, or the default when it cannot be read.
Shortcut ShortcutFromSetting(std::wstring_view text);

// The `Shortcut` setting, read through the settings routines (the user's value first).
Shortcut ReadShortcutSetting();

}  // namespace pagelens

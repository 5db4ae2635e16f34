// Conversions between the program's UTF-16 text and the system's ANSI code page, which the
// registry's narrow functions and the shell's narrow functions speak.
#pragma once
#include <string>
#include <string_view>

namespace pagelens {

std::string ToAnsi(std::wstring_view text);
std::wstring FromAnsi(std::string_view text);
std::string ToUtf8(std::wstring_view text);
std::wstring FromUtf8(std::string_view text);

}  // namespace pagelens

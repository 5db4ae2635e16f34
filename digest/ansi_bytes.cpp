// One-byte-per-character conversion through the ANSI code page.
#include "digest/ansi_bytes.h"

#include <windows.h>

namespace pagelens {
namespace {

uint8_t CodePageDefaultChar() {
    CPINFO info{};
    if (!GetCPInfo(CP_ACP, &info) || info.DefaultChar[0] == 0) return '?';
    return info.DefaultChar[0];
}

// Character by character, because converting the whole string at once could pair surrogates
// or emit two bytes for one character and so shift every following byte.
uint8_t ByteOf(wchar_t ch, uint8_t defaultChar) {
    char out[4];
    int n = WideCharToMultiByte(CP_ACP, 0, &ch, 1, out, sizeof out, nullptr, nullptr);
    return n == 1 ? static_cast<uint8_t>(out[0]) : defaultChar;
}

}  // namespace

ByteArray AnsiBytesOnePerChar(std::wstring_view text) {
    ByteArray bytes(text.size());
    int defaultChar = -1;  // looked up only when a non-ASCII character appears
    for (size_t i = 0; i < text.size(); ++i) {
        wchar_t ch = text[i];
        if (ch < 0x80) {
            bytes[i] = static_cast<uint8_t>(ch);
            continue;
        }
        if (defaultChar < 0) defaultChar = CodePageDefaultChar();
        bytes[i] = ByteOf(ch, static_cast<uint8_t>(defaultChar));
    }
    return bytes;
}

}  // namespace pagelens

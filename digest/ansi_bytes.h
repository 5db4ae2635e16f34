// How the digest turns text into bytes: exactly one byte per UTF-16 character, taken from the
// system's ANSI code page, so that the byte count always equals the character count.
#pragma once
#include <string_view>

#include "common/setting_value.h"

namespace pagelens {

// Characters 0 to 127 are their own bytes. Any other character becomes its one-byte code in the
// ANSI code page, using the code page's own best-fit mapping as the system's narrow conversion
// does; a character with no one-byte code there (unmapped, a double-byte code, a lone surrogate
// half) becomes the code page's default character, '?' in the Windows code pages. It never fails.
ByteArray AnsiBytesOnePerChar(std::wstring_view text);

}  // namespace pagelens

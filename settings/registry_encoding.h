// How cRegistry's Value turns a SettingValue into a registry type and bytes, and stored bytes
// back into a SettingValue. Pure conversions: no key is touched here.
#pragma once
#include <windows.h>

#include <cstdint>
#include <optional>
#include <string_view>
#include <variant>
#include <vector>

#include "common/setting_value.h"

namespace pagelens::registry {

// REG_SZ, unless the first "%" is followed by another one at least two places later (an
// environment reference such as %TEMP%), which makes it REG_EXPAND_SZ.
DWORD StoredTextType(std::wstring_view text);

struct EncodedValue {
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
};

enum class EncodeFailure {
    NotByteArray,  // REG_BINARY asked for, something else given
    Unwritable,    // a type this class does not write, or a DWORD from a non-integer
};

// How text is stored: by the rule above, or always as REG_SZ, exactly as written (an address
// such as "http://host/a%TEMP%b" must come back unchanged).
enum class TextRule { ReferencesExpandable, AsWritten };

std::variant<EncodedValue, EncodeFailure> EncodeValue(
    int32_t valueType, const SettingValue& value,
    TextRule textRule = TextRule::ReferencesExpandable);

// Nothing when the bytes cannot hold the type (a DWORD of fewer than 4 bytes).
std::optional<SettingValue> DecodeValue(DWORD type, const std::vector<BYTE>& data);

}  // namespace pagelens::registry

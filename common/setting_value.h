// The tagged value in which settings and their defaults travel: empty, 16-bit integer, 32-bit
// integer, 32-bit float, string or byte array; and the conversions the window applies to it.
#pragma once
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "common/run_error.h"

namespace pagelens {

using ByteArray = std::vector<uint8_t>;
using SettingValue = std::variant<std::monostate, int16_t, int32_t, float, std::wstring, ByteArray>;

// Text of a value as a setting stores it: numbers in decimal, whole numbers without a point,
// fractions with the user's decimal sign.
// A byte array becomes its bytes as characters of the ANSI code page; empty becomes "".
std::wstring SettingToText(const SettingValue& value);

// The value as a 32-bit integer: numbers rounded to nearest (halves to even), text through
// StoredNumber; an empty value is 0. Errors: type mismatch for text that is no number or a byte
// array, overflow outside 32 bits.
Result<int32_t> SettingToInt32(const SettingValue& value);

// The value as a single-precision number (for window coordinates).
Result<float> SettingToSingle(const SettingValue& value);

}  // namespace pagelens

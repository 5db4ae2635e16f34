// The two ways the window reads numbers out of text.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "common/run_error.h"

namespace pagelens {

// Leading number: blanks, tabs and line feeds are ignored wherever they stand; the longest
// leading run that forms a number (sign, digits, one decimal point, exponent, or &H / &O) is
// read and the rest ignored; no number gives 0. Rounded to the nearest 32-bit integer, halves to
// even ("800px" -> 800, "abc" -> 0, "640.5" -> 640). Overflow error beyond 32 bits.
Result<int32_t> LeadingNumber(std::wstring_view text);

// The same reading as a double, before rounding (the quality list shows plain decimals).
double LeadingNumberValue(std::wstring_view text);

// Whole-number conversion: the whole text, blanks around it allowed, must be a number; rounded
// to the nearest 32-bit integer, halves to even. "800px", "abc" and "" give a type mismatch,
// numbers beyond 32 bits an overflow.
Result<int32_t> WholeNumber(std::wstring_view text);

// A stored setting's number: the whole text, blanks around it allowed, with the user's decimal
// sign or a point, so that a value written under another regional setting still reads. Type
// mismatch for text that is no number, overflow for a prefixed number beyond 32 bits.
Result<double> StoredNumber(std::wstring_view text);

// The user's decimal sign (a point when the locale gives none).
wchar_t UserDecimalSign();

// A double rounded to the nearest 32-bit integer, halves to even; overflow outside the range.
Result<int32_t> RoundToInt32(double value);

// Decimal text of a number without exponent or trailing zeros, as the window shows it.
std::wstring DecimalText(double value);
inline std::wstring DecimalText(int32_t value) { return std::to_wstring(value); }

// Trims blanks (spaces) at both ends.
std::wstring TrimBlanks(std::wstring_view text);

}  // namespace pagelens

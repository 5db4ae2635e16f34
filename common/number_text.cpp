#include "common/number_text.h"

#include <windows.h>

#include <cmath>
#include <cwchar>
#include <cwctype>
#include <optional>

namespace pagelens {
namespace {

bool IsDigitOf(wchar_t c, int base) {
    if (base == 16) return std::iswxdigit(c) != 0;
    if (base == 8) return c >= L'0' && c <= L'7';
    return c >= L'0' && c <= L'9';
}

int DigitValue(wchar_t c) {
    if (c >= L'0' && c <= L'9') return c - L'0';
    return (std::towupper(c) - L'A') + 10;
}

// &H / &O numbers: up to 16 bits they are 16-bit signed, beyond that 32-bit signed; more digits
// than 32 bits hold overflow.
std::optional<double> PrefixedNumber(const std::wstring& digits, int base) {
    if (digits.empty()) return 0.0;
    uint64_t value = 0;
    for (wchar_t c : digits) {
        value = value * base + DigitValue(c);
        if (value > 0xFFFFFFFFull) return std::nullopt;
    }
    if (value <= 0xFFFF) return static_cast<double>(static_cast<int16_t>(value));
    return static_cast<double>(static_cast<int32_t>(static_cast<uint32_t>(value)));
}

// Reads a number at the start of `s` (no blanks inside). `used` tells how many characters formed
// it; 0 when none did. nullopt when a prefixed number is too large.
std::optional<double> ReadNumber(const std::wstring& s, size_t& used, wchar_t decimalPoint) {
    used = 0;
    size_t i = 0;
    if (s.size() >= 2 && s[0] == L'&' &&
        (std::towupper(s[1]) == L'H' || std::towupper(s[1]) == L'O')) {
        int base = std::towupper(s[1]) == L'H' ? 16 : 8;
        i = 2;
        std::wstring digits;
        while (i < s.size() && IsDigitOf(s[i], base)) digits += s[i++];
        used = i;
        return PrefixedNumber(digits, base);
    }
    std::string text;
    if (i < s.size() && (s[i] == L'+' || s[i] == L'-')) text += static_cast<char>(s[i++]);
    size_t mantissaDigits = 0;
    while (i < s.size() && IsDigitOf(s[i], 10)) text += static_cast<char>(s[i++]), ++mantissaDigits;
    if (i < s.size() && s[i] == decimalPoint) {
        size_t j = i + 1;
        std::string fraction;
        while (j < s.size() && IsDigitOf(s[j], 10)) fraction += static_cast<char>(s[j++]);
        if (mantissaDigits > 0 || !fraction.empty()) {
            text += '.';
            text += fraction;
            mantissaDigits += fraction.size();
            i = j;
        }
    }
    if (mantissaDigits == 0) return 0.0;
    used = i;
    if (i < s.size() && (std::towupper(s[i]) == L'E' || std::towupper(s[i]) == L'D')) {
        size_t j = i + 1;
        std::string exponent = "e";
        if (j < s.size() && (s[j] == L'+' || s[j] == L'-')) exponent += static_cast<char>(s[j++]);
        size_t expDigits = 0;
        while (j < s.size() && IsDigitOf(s[j], 10))
            exponent += static_cast<char>(s[j++]), ++expDigits;
        if (expDigits > 0) {
            text += exponent;
            used = j;
        }
    }
    return std::strtod(text.c_str(), nullptr);
}

}  // namespace

wchar_t UserDecimalSign() {
    wchar_t buffer[8] = L".";
    if (GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, buffer, 8) < 2) return L'.';
    return buffer[0];
}

Result<double> StoredNumber(std::wstring_view text) {
    const std::wstring trimmed = TrimBlanks(text);
    if (trimmed.empty()) return errors::TypeMismatch();
    const wchar_t user = UserDecimalSign();
    for (const wchar_t point : {user, L'.'}) {
        size_t used = 0;
        const auto value = ReadNumber(trimmed, used, point);
        if (!value) return errors::Overflow();
        if (used == trimmed.size()) return *value;
    }
    return errors::TypeMismatch();
}

double LeadingNumberValue(std::wstring_view text) {
    std::wstring packed;
    for (wchar_t c : text)
        if (c != L' ' && c != L'\t' && c != L'\n' && c != L'\r') packed += c;
    size_t used = 0;
    auto value = ReadNumber(packed, used, L'.');
    if (!value) return HUGE_VAL;
    return *value;
}

Result<int32_t> LeadingNumber(std::wstring_view text) {
    return RoundToInt32(LeadingNumberValue(text));
}

Result<int32_t> WholeNumber(std::wstring_view text) {
    std::wstring trimmed = TrimBlanks(text);
    if (trimmed.empty()) return errors::TypeMismatch();
    wchar_t decimalPoint = UserDecimalSign();
    size_t used = 0;
    auto value = ReadNumber(trimmed, used, decimalPoint);
    if (!value) return errors::Overflow();
    if (used != trimmed.size()) return errors::TypeMismatch();
    return RoundToInt32(*value);
}

Result<int32_t> RoundToInt32(double value) {
    if (!std::isfinite(value)) return errors::Overflow();
    double rounded = std::nearbyint(value);  // the default rounding mode sends halves to even
    if (rounded < -2147483648.0 || rounded > 2147483647.0) return errors::Overflow();
    return static_cast<int32_t>(rounded);
}

std::wstring DecimalText(double value) {
    wchar_t buffer[64];
    std::swprintf(buffer, 64, L"%.15g", value);
    return buffer;
}

std::wstring TrimBlanks(std::wstring_view text) {
    size_t begin = text.find_first_not_of(L' ');
    if (begin == std::wstring_view::npos) return {};
    size_t end = text.find_last_not_of(L' ');
    return std::wstring(text.substr(begin, end - begin + 1));
}

}  // namespace pagelens

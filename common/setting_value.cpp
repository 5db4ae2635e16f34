#include "common/setting_value.h"

#include <cwchar>

#include "common/number_text.h"
#include "common/text_codepage.h"

namespace pagelens {
namespace {

template <class... F>
struct Overload : F... {
    using F::operator()...;
};
template <class... F>
Overload(F...) -> Overload<F...>;

std::wstring SingleText(float value) {
    wchar_t buffer[64];
    std::swprintf(buffer, 64, L"%.7g", static_cast<double>(value));
    return buffer;
}

// The whole text as a number, as CSng/CDbl read it.
Result<double> TextToNumber(const std::wstring& text) {
    // WholeNumber reads the same syntax; reuse it by reading at full precision.
    std::wstring trimmed = TrimBlanks(text);
    if (trimmed.empty()) return errors::TypeMismatch();
    auto whole = WholeNumber(trimmed);
    if (!whole.ok() && whole.error().number == errors::TypeMismatch().number)
        return whole.error();
    return LeadingNumberValue(trimmed);
}

}  // namespace

std::wstring SettingToText(const SettingValue& value) {
    return std::visit(
        Overload{[](std::monostate) { return std::wstring(); },
                 [](int16_t v) { return std::to_wstring(v); },
                 [](int32_t v) { return std::to_wstring(v); },
                 [](float v) { return SingleText(v); },
                 [](const std::wstring& v) { return v; },
                 [](const ByteArray& v) {
                     return FromAnsi(std::string_view(reinterpret_cast<const char*>(v.data()), v.size()));
                 }},
        value);
}

Result<int32_t> SettingToInt32(const SettingValue& value) {
    return std::visit(
        Overload{[](std::monostate) -> Result<int32_t> { return 0; },
                 [](int16_t v) -> Result<int32_t> { return int32_t(v); },
                 [](int32_t v) -> Result<int32_t> { return v; },
                 [](float v) -> Result<int32_t> { return RoundToInt32(v); },
                 [](const std::wstring& v) -> Result<int32_t> { return WholeNumber(v); },
                 [](const ByteArray&) -> Result<int32_t> { return errors::TypeMismatch(); }},
        value);
}

Result<float> SettingToSingle(const SettingValue& value) {
    return std::visit(
        Overload{[](std::monostate) -> Result<float> { return 0.0f; },
                 [](int16_t v) -> Result<float> { return float(v); },
                 [](int32_t v) -> Result<float> { return float(v); },
                 [](float v) -> Result<float> { return v; },
                 [](const std::wstring& v) -> Result<float> {
                     auto number = TextToNumber(v);
                     if (!number.ok()) return number.error();
                     if (std::abs(*number) > 3.4028235e38) return errors::Overflow();
                     return static_cast<float>(*number);
                 },
                 [](const ByteArray&) -> Result<float> { return errors::TypeMismatch(); }},
        value);
}

}  // namespace pagelens

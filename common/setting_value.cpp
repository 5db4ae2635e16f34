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

// With the user's decimal sign, as the reader of the user's locale expects it.
std::wstring SingleText(float value) {
    wchar_t buffer[64];
    std::swprintf(buffer, 64, L"%.7g", static_cast<double>(value));
    std::wstring text = buffer;
    if (const size_t point = text.find(L'.'); point != std::wstring::npos)
        text[point] = UserDecimalSign();
    return text;
}

}  // namespace

std::wstring SettingToText(const SettingValue& value) {
    return std::visit(
        Overload{[](std::monostate) { return std::wstring(); },
                 [](int16_t v) { return std::to_wstring(v); },
                 [](int32_t v) { return std::to_wstring(v); },
                 [](float v) { return SingleText(v); }, [](const std::wstring& v) { return v; },
                 [](const ByteArray& v) {
                     return FromAnsi(
                         std::string_view(reinterpret_cast<const char*>(v.data()), v.size()));
                 }},
        value);
}

Result<int32_t> SettingToInt32(const SettingValue& value) {
    return std::visit(
        Overload{[](std::monostate) -> Result<int32_t> { return 0; },
                 [](int16_t v) -> Result<int32_t> { return int32_t(v); },
                 [](int32_t v) -> Result<int32_t> { return v; },
                 [](float v) -> Result<int32_t> { return RoundToInt32(v); },
                 [](const std::wstring& v) -> Result<int32_t> {
                     auto number = StoredNumber(v);
                     if (!number.ok()) return number.error();
                     return RoundToInt32(*number);
                 },
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
                     auto number = StoredNumber(v);
                     if (!number.ok()) return number.error();
                     if (std::abs(*number) > 3.4028235e38) return errors::Overflow();
                     return static_cast<float>(*number);
                 },
                 [](const ByteArray&) -> Result<float> { return errors::TypeMismatch(); }},
        value);
}

}  // namespace pagelens

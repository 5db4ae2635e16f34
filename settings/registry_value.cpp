// cRegistry's Value: the typed read (a copy of Default whenever the value cannot be read) and
// the typed write, plus the two conversions the read applies to stored data.
#include <cstring>
#include <variant>

#include "common/text_codepage.h"
#include "settings/registry.h"
#include "settings/registry_access.h"
#include "settings/registry_encoding.h"
#include "settings/registry_errors.h"

namespace pagelens {

SettingValue cRegistry::Value() {
    auto opened = registry::OpenKey(classKey_, sectionKey_, KEY_QUERY_VALUE);
    if (!opened) return default_;
    auto stored = registry::ReadStoredValue(opened.key.get(), valueKey_);
    if (!stored) return default_;
    auto value = registry::DecodeValue(stored->type, stored->data);
    if (!value) return default_;
    valueType_ = static_cast<int32_t>(stored->type);
    return std::move(*value);
}

// The value is encoded before the key is touched, so a rejected write leaves the registry as it
// was (no empty key chain behind it).
Status cRegistry::Value(const SettingValue& value) {
    auto encoded = registry::EncodeValue(
        valueType_, value,
        textAsWritten_ ? registry::TextRule::AsWritten : registry::TextRule::ReferencesExpandable);
    if (const auto* failure = std::get_if<registry::EncodeFailure>(&encoded)) {
        if (*failure == registry::EncodeFailure::NotByteArray)
            return registry::BinaryNeedsByteArray();
        return registry::SetValueError(kErrRegistryWrite, classKey_, sectionKey_, valueKey_, value);
    }
    auto opened = registry::CreateKeyChain(classKey_, sectionKey_);
    if (!opened)
        return registry::SetValueError(kErrRegistry, classKey_, sectionKey_, valueKey_, value);
    const auto& data = std::get<registry::EncodedValue>(encoded);
    LONG status = RegSetValueExA(opened.key.get(), ToAnsi(valueKey_).c_str(), 0, data.type,
                                 data.data.data(), static_cast<DWORD>(data.data.size()));
    if (status != ERROR_SUCCESS)
        return registry::SetValueError(kErrRegistryWrite, classKey_, sectionKey_, valueKey_, value);
    return {};
}

int32_t cRegistry::ReverseByteOrder(int32_t value) {
    auto bits = static_cast<uint32_t>(value);
    return static_cast<int32_t>(bits >> 24 | (bits >> 8 & 0xFF00u) | (bits << 8 & 0xFF0000u) |
                                bits << 24);
}

std::wstring cRegistry::ExpandEnvironmentText(const std::wstring& text) {
    const std::string source = ToAnsi(text);
    DWORD needed = ExpandEnvironmentStringsA(source.c_str(), nullptr, 0);
    // The size can change if the environment does between the calls; a few rounds settle it.
    for (int attempt = 0; attempt < 4 && needed > 0; ++attempt) {
        std::string buffer(needed, '\0');
        DWORD written = ExpandEnvironmentStringsA(source.c_str(), buffer.data(), needed);
        if (written == 0) break;
        if (written <= needed) {
            // The narrow count may overstate multibyte text; the text ends at its NUL.
            buffer.resize(strnlen(buffer.c_str(), needed));
            return FromAnsi(buffer);
        }
        needed = written;
    }
    return text;
}

}  // namespace pagelens

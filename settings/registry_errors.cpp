// Texts and numbers of cRegistry's errors, and the thread's current error that
// CreateAdditionalEXEAssociations records instead of raising.
#include "settings/registry_errors.h"

#include <cwchar>

#include "settings/registry.h"

namespace pagelens {

RunError& ThreadCurrentError() {
    thread_local RunError current;
    return current;
}

namespace registry {

std::wstring DescribedValue(const SettingValue& value) {
    const auto* bytes = std::get_if<ByteArray>(&value);
    if (!bytes) return SettingToText(value);
    std::wstring text;
    for (uint8_t byte : *bytes) {
        wchar_t pair[4];
        std::swprintf(pair, 4, L"%02X", static_cast<unsigned>(byte));
        if (!text.empty()) text += L' ';
        text += pair;
    }
    return text;
}

RunError SetValueError(int32_t number, int32_t classKey, const std::wstring& sectionKey,
                       const std::wstring& valueKey, const SettingValue& value) {
    return {number, kErrorSource,
            L"Failed to set registry value Key: '" + std::to_wstring(classKey) + L"',Section: '" +
                sectionKey + L"',Key: '" + valueKey + L"' to value: '" + DescribedValue(value) +
                L"'"};
}

RunError BinaryNeedsByteArray() { return {kErrRegistry, kErrorSource, L""}; }

RunError CreateKeyError(const std::wstring& sectionKey) {
    return {kErrRegistry, kErrorSource, L"Failed to create registry Key: '" + sectionKey};
}

RunError OpenForDeleteError(int32_t classKey, const std::wstring& sectionKey) {
    return {kErrRegistry, kErrorSource,
            L"Failed to open key '" + std::to_wstring(classKey) + L"',Section: '" + sectionKey +
                L"' for delete access"};
}

RunError DeleteValueError(int32_t classKey, const std::wstring& sectionKey,
                          const std::wstring& valueKey) {
    return {kErrRegistry, kErrorSource,
            L"Failed to delete registry Key: '" + std::to_wstring(classKey) + L"',Section: '" +
                sectionKey + L"',Key: '" + valueKey + L", " + ThreadCurrentError().description};
}

RunError EnumerateError(std::wstring description) {
    return {kErrRegistryEnumerate, kErrorSource, std::move(description)};
}

RunError InvalidAssociationList() {
    return {kErrInvalidAssociationList, kErrorSource,
            L"Invalid parameter list passed to CreateAdditionalEXEAssociations - expected "
            L"Name/Text/Command"};
}

RunError ClassNotDefined() {
    return {kErrClassNotDefined, kErrorSource,
            L"Error - attempt to create additional associations before class defined."};
}

}  // namespace registry
}  // namespace pagelens

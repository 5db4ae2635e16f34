// Value kinds to registry bytes and back. Text is ANSI at this boundary and carries one
// terminating NUL; DWORDs are stored least significant byte first whatever was asked for.
#include "settings/registry_encoding.h"

#include <string>

#include "common/text_codepage.h"
#include "settings/registry.h"

namespace pagelens::registry {
namespace {

std::vector<BYTE> TextBytes(const std::wstring& text) {
    std::string ansi = ToAnsi(text);
    std::vector<BYTE> data(ansi.begin(), ansi.end());
    data.push_back(0);
    return data;
}

std::vector<BYTE> DwordBytes(int32_t value) {
    auto bits = static_cast<uint32_t>(value);
    return {static_cast<BYTE>(bits), static_cast<BYTE>(bits >> 8), static_cast<BYTE>(bits >> 16),
            static_cast<BYTE>(bits >> 24)};
}

std::optional<int32_t> SmallInteger(const SettingValue& value) {
    if (const auto* v = std::get_if<int16_t>(&value)) return *v;
    if (const auto* v = std::get_if<int32_t>(&value)) return *v;
    return std::nullopt;
}

// Drops the terminating NUL; data stored without one keeps its last character.
std::wstring StoredText(const std::vector<BYTE>& data) {
    size_t length = data.size();
    if (length > 0 && data[length - 1] == 0) --length;
    return FromAnsi(std::string_view(reinterpret_cast<const char*>(data.data()), length));
}

int32_t LittleEndianDword(const std::vector<BYTE>& data) {
    return static_cast<int32_t>(uint32_t(data[0]) | uint32_t(data[1]) << 8 |
                                uint32_t(data[2]) << 16 | uint32_t(data[3]) << 24);
}

}  // namespace

DWORD StoredTextType(std::wstring_view text) {
    size_t first = text.find(L'%');
    if (first == std::wstring_view::npos) return REG_SZ;
    return text.find(L'%', first + 2) == std::wstring_view::npos ? REG_SZ : REG_EXPAND_SZ;
}

std::variant<EncodedValue, EncodeFailure> EncodeValue(int32_t valueType, const SettingValue& value,
                                                      TextRule textRule) {
    switch (valueType) {
        case REG_SZ:
        case REG_EXPAND_SZ: {
            std::wstring text = SettingToText(value);
            const DWORD type = textRule == TextRule::AsWritten ? REG_SZ : StoredTextType(text);
            return EncodedValue{type, TextBytes(text)};
        }
        case REG_BINARY:
            if (const auto* bytes = std::get_if<ByteArray>(&value))
                return EncodedValue{REG_BINARY, std::vector<BYTE>(bytes->begin(), bytes->end())};
            return EncodeFailure::NotByteArray;
        case REG_DWORD:
        case REG_DWORD_BIG_ENDIAN:
            if (auto number = SmallInteger(value))
                return EncodedValue{REG_DWORD, DwordBytes(*number)};
            return EncodeFailure::Unwritable;
        default:
            return EncodeFailure::Unwritable;
    }
}

std::optional<SettingValue> DecodeValue(DWORD type, const std::vector<BYTE>& data) {
    switch (type) {
        case REG_SZ:
        case REG_MULTI_SZ:
            return SettingValue{StoredText(data)};
        case REG_EXPAND_SZ:
            return SettingValue{cRegistry::ExpandEnvironmentText(StoredText(data))};
        case REG_DWORD:
        case REG_DWORD_BIG_ENDIAN: {
            if (data.size() < 4) return std::nullopt;
            int32_t number = LittleEndianDword(data);
            if (type == REG_DWORD_BIG_ENDIAN) number = cRegistry::ReverseByteOrder(number);
            return SettingValue{number};
        }
        default:
            return SettingValue{ByteArray(data.begin(), data.end())};
    }
}

}  // namespace pagelens::registry

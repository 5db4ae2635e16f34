#include "components/snapshot/transport/base64.h"

#include <array>
#include <cstdint>

namespace pagelens::capture {
namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr uint8_t kInvalid = 0xFF;

constexpr std::array<uint8_t, 256> MakeDecodeTable() {
    std::array<uint8_t, 256> table{};
    for (auto& entry : table) entry = kInvalid;
    for (uint8_t i = 0; i < 64; ++i) table[static_cast<uint8_t>(kAlphabet[i])] = i;
    return table;
}
constexpr auto kDecode = MakeDecodeTable();

size_t Padding(std::string_view text) {
    if (text.empty() || text.back() != '=') return 0;
    return text[text.size() - 2] == '=' ? 2 : 1;
}

// The decoded size of padded Base64 text, or nothing when its length cannot be.
std::optional<size_t> DecodedSize(std::string_view text) {
    if (text.size() % 4 != 0) return std::nullopt;
    return text.size() / 4 * 3 - Padding(text);
}

// Decodes `text` into `out`, which may be where the text itself starts: each group of four is
// read before its three bytes are written, and those never run ahead of what is still to read.
bool DecodeTo(std::string_view text, uint8_t* out) {
    const size_t padding = Padding(text);
    const auto* in = reinterpret_cast<const uint8_t*>(text.data());
    const size_t fullGroups = text.size() / 4 - (padding ? 1 : 0);

    uint8_t bad = 0;
    for (size_t g = 0; g < fullGroups; ++g, in += 4, out += 3) {
        const uint8_t a = kDecode[in[0]], b = kDecode[in[1]], c = kDecode[in[2]],
                      d = kDecode[in[3]];
        bad |= a | b | c | d;  // kInvalid has the high bit that no valid value has
        const uint32_t group = uint32_t(a) << 18 | uint32_t(b) << 12 | uint32_t(c) << 6 | d;
        out[0] = uint8_t(group >> 16);
        out[1] = uint8_t(group >> 8);
        out[2] = uint8_t(group);
    }
    if (bad & 0x80) return false;
    if (padding) {
        const uint8_t a = kDecode[in[0]], b = kDecode[in[1]];
        const uint8_t c = padding == 1 ? kDecode[in[2]] : 0;
        if ((a | b | c) & 0x80) return false;
        const uint32_t group = uint32_t(a) << 18 | uint32_t(b) << 12 | uint32_t(c) << 6;
        out[0] = uint8_t(group >> 16);
        if (padding == 1) out[1] = uint8_t(group >> 8);
    }
    return true;
}

}  // namespace

std::string Base64Encode(std::string_view bytes) {
    std::string text;
    text.reserve((bytes.size() + 2) / 3 * 4);
    const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
    size_t i = 0;
    for (; i + 3 <= bytes.size(); i += 3) {
        const uint32_t group = uint32_t(data[i]) << 16 | uint32_t(data[i + 1]) << 8 | data[i + 2];
        text += kAlphabet[group >> 18];
        text += kAlphabet[(group >> 12) & 63];
        text += kAlphabet[(group >> 6) & 63];
        text += kAlphabet[group & 63];
    }
    const size_t rest = bytes.size() - i;
    if (rest) {
        uint32_t group = uint32_t(data[i]) << 16;
        if (rest == 2) group |= uint32_t(data[i + 1]) << 8;
        text += kAlphabet[group >> 18];
        text += kAlphabet[(group >> 12) & 63];
        text += rest == 2 ? kAlphabet[(group >> 6) & 63] : '=';
        text += '=';
    }
    return text;
}

std::optional<std::string> Base64Decode(std::string_view text) {
    const auto size = DecodedSize(text);
    if (!size) return std::nullopt;
    std::string bytes(*size, '\0');
    if (!DecodeTo(text, reinterpret_cast<uint8_t*>(bytes.data()))) return std::nullopt;
    return bytes;
}

bool Base64DecodeInPlace(std::string& text) {
    const auto size = DecodedSize(text);
    if (!size || !DecodeTo(text, reinterpret_cast<uint8_t*>(text.data()))) return false;
    text.resize(*size);
    return true;
}

}  // namespace pagelens::capture

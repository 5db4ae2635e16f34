#include "components/snapshot/transport/sha1.h"

#include <cstring>

namespace pagelens::capture {
namespace {

uint32_t RotateLeft(uint32_t value, int bits) { return (value << bits) | (value >> (32 - bits)); }

void ProcessBlock(const uint8_t* block, uint32_t state[5]) {
    uint32_t w[80];
    for (int i = 0; i < 16; ++i)
        w[i] = uint32_t(block[4 * i]) << 24 | uint32_t(block[4 * i + 1]) << 16 |
               uint32_t(block[4 * i + 2]) << 8 | block[4 * i + 3];
    for (int i = 16; i < 80; ++i) w[i] = RotateLeft(w[i - 3] ^ w[i - 8] ^ w[i - 14] ^ w[i - 16], 1);

    uint32_t a = state[0], b = state[1], c = state[2], d = state[3], e = state[4];
    for (int i = 0; i < 80; ++i) {
        uint32_t f, k;
        if (i < 20) {
            f = (b & c) | (~b & d);
            k = 0x5A827999;
        } else if (i < 40) {
            f = b ^ c ^ d;
            k = 0x6ED9EBA1;
        } else if (i < 60) {
            f = (b & c) | (b & d) | (c & d);
            k = 0x8F1BBCDC;
        } else {
            f = b ^ c ^ d;
            k = 0xCA62C1D6;
        }
        const uint32_t next = RotateLeft(a, 5) + f + e + k + w[i];
        e = d;
        d = c;
        c = RotateLeft(b, 30);
        b = a;
        a = next;
    }
    state[0] += a;
    state[1] += b;
    state[2] += c;
    state[3] += d;
    state[4] += e;
}

}  // namespace

std::array<uint8_t, 20> Sha1(std::string_view bytes) {
    uint32_t state[5] = {0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476, 0xC3D2E1F0};
    const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
    size_t whole = bytes.size() / 64 * 64;
    for (size_t offset = 0; offset < whole; offset += 64) ProcessBlock(data + offset, state);

    // The tail, the 0x80 marker and the length in bits fill one or two more blocks.
    uint8_t tail[128] = {};
    const size_t rest = bytes.size() - whole;
    std::memcpy(tail, data + whole, rest);
    tail[rest] = 0x80;
    const size_t tailSize = rest < 56 ? 64 : 128;
    const uint64_t bits = uint64_t(bytes.size()) * 8;
    for (int i = 0; i < 8; ++i) tail[tailSize - 1 - i] = uint8_t(bits >> (8 * i));
    for (size_t offset = 0; offset < tailSize; offset += 64) ProcessBlock(tail + offset, state);

    std::array<uint8_t, 20> digest;
    for (int i = 0; i < 5; ++i)
        for (int j = 0; j < 4; ++j) digest[4 * i + j] = uint8_t(state[i] >> (24 - 8 * j));
    return digest;
}

}  // namespace pagelens::capture

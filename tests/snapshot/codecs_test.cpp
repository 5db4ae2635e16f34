// SHA-1 and Base64 against their standards' test vectors, and the WebSocket accept key of
// RFC 6455's own example.
#include <gtest/gtest.h>

#include <string>

#include "components/snapshot/transport/base64.h"
#include "components/snapshot/transport/sha1.h"
#include "components/snapshot/transport/websocket_client.h"

namespace pagelens::capture {
namespace {

std::string Hex(const std::array<uint8_t, 20>& digest) {
    static const char kDigits[] = "0123456789abcdef";
    std::string hex;
    for (uint8_t byte : digest) {
        hex += kDigits[byte >> 4];
        hex += kDigits[byte & 15];
    }
    return hex;
}

TEST(Sha1, StandardVectors) {
    const struct {
        std::string input;
        const char* digest;
    } cases[] = {
        {"", "da39a3ee5e6b4b0d3255bfef95601890afd80709"},
        {"abc", "a9993e364706816aba3e25717850c26c9cd0d89d"},
        // 56 bytes: the length no longer fits the first padding block.
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "84983e441c3bd26ebaae4aa1f95129e5e54670f1"},
        {std::string(1000000, 'a'), "34aa973cd4c4daa4f61eeb2bdbad27316534016f"},
        // Lengths around the 64-byte block, where the padding takes one block or two.
        {std::string(55, 'a'), "c1c8bbdc22796e28c0e15163d20899b65621d65a"},
        {std::string(63, 'a'), "03f09f5b158a7a8cdad920bddc29b81c18a551f5"},
        {std::string(64, 'a'), "0098ba824b5c16427bd7a1122a5a442a25ec644d"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Hex(Sha1(c.input)), c.digest) << c.input.size() << " bytes";
}

TEST(Base64, Rfc4648VectorsBothWays) {
    const std::pair<std::string, std::string> cases[] = {
        {"", ""},
        {"f", "Zg=="},
        {"fo", "Zm8="},
        {"foo", "Zm9v"},
        {"foob", "Zm9vYg=="},
        {"fooba", "Zm9vYmE="},
        {"foobar", "Zm9vYmFy"},
        {std::string("\xff\xfe\x00\x01", 4), "//4AAQ=="},
    };
    for (const auto& [bytes, text] : cases) {
        EXPECT_EQ(Base64Encode(bytes), text);
        EXPECT_EQ(Base64Decode(text), bytes) << text;
        std::string inPlace = text;
        EXPECT_TRUE(Base64DecodeInPlace(inPlace)) << text;
        EXPECT_EQ(inPlace, bytes) << text;
    }
}

TEST(Base64, RejectsWhatIsNotPaddedBase64) {
    for (const char* text :
         {"Zg", "Zg=", "Z===", "Zm9v\n", "Zm 9", "Zm9v=AAA", "Zg==Zg==", "@@@@"}) {
        EXPECT_FALSE(Base64Decode(text).has_value()) << text;
        std::string inPlace = text;
        EXPECT_FALSE(Base64DecodeInPlace(inPlace)) << text;
    }
}

TEST(Base64, LongInputRoundTrips) {
    std::string bytes(300000, '\0');
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7919 % 251);
    EXPECT_EQ(Base64Decode(Base64Encode(bytes)), bytes);
    std::string inPlace = Base64Encode(bytes);
    EXPECT_TRUE(Base64DecodeInPlace(inPlace));
    EXPECT_EQ(inPlace, bytes);
}

TEST(WebSocketAccept, Rfc6455Example) {
    EXPECT_EQ(WebSocketAcceptFor("dGhlIHNhbXBsZSBub25jZQ=="), "s3pPLMBiTxaQ9kYGzzhZRbK+xOo=");
}

}  // namespace
}  // namespace pagelens::capture

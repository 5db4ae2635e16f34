// The frame format: what we send is masked and carries the right length form; what we receive
// is checked before a byte of payload is trusted.
#include "components/snapshot/transport/websocket_frames.h"

#include <gtest/gtest.h>

#include <string>

namespace pagelens::capture::websocket {
namespace {

constexpr std::array<uint8_t, 4> kMask = {0x12, 0x34, 0x56, 0x78};

TEST(WebSocketFrames, ClientFramesUseTheShortestLengthFormAndAreMasked) {
    const struct {
        size_t length;
        size_t headerSize;  // before the mask key
        uint8_t lengthByte;
    } cases[] = {{0, 2, 0}, {125, 2, 125}, {126, 4, 126}, {65535, 4, 126}, {65536, 10, 127}};
    for (const auto& c : cases) {
        std::string payload(c.length, '\0');
        for (size_t i = 0; i < c.length; ++i) payload[i] = static_cast<char>('a' + i % 26);
        const std::string frame = EncodeClientFrame(Opcode::Text, payload, kMask);
        ASSERT_EQ(frame.size(), c.headerSize + 4 + c.length) << c.length;
        EXPECT_EQ(static_cast<uint8_t>(frame[0]), 0x81);  // FIN, text
        EXPECT_EQ(static_cast<uint8_t>(frame[1]), 0x80 | c.lengthByte);
        uint64_t encodedLength = c.lengthByte;
        if (c.headerSize > 2) {
            encodedLength = 0;
            for (size_t i = 2; i < c.headerSize; ++i)
                encodedLength = encodedLength << 8 | static_cast<uint8_t>(frame[i]);
        }
        EXPECT_EQ(encodedLength, c.length);
        for (size_t i = 0; i < c.length; ++i)
            ASSERT_EQ(static_cast<uint8_t>(frame[c.headerSize + 4 + i]) ^ kMask[i & 3],
                      static_cast<uint8_t>(payload[i]));
    }
}

TEST(WebSocketFrames, ServerHeadersParse) {
    const struct {
        std::string header;
        bool fin;
        Opcode opcode;
        uint64_t length;
    } cases[] = {
        {"\x81\x05", true, Opcode::Text, 5},
        {"\x01\x7d", false, Opcode::Text, 125},
        {std::string("\x80\x7e\x01\x00", 4), true, Opcode::Continuation, 256},
        {std::string("\x82\x7f\x00\x00\x00\x01\x00\x00\x00\x00", 10), true, Opcode::Binary,
         1ull << 32},
        {std::string("\x89\x00", 2), true, Opcode::Ping, 0},
        {std::string("\x88\x02", 2), true, Opcode::Close, 2},
    };
    for (const auto& c : cases) {
        auto parsed = ParseServerFrameHeader(c.header);
        ASSERT_TRUE(parsed.ok()) << c.length;
        EXPECT_EQ(parsed->fin, c.fin);
        EXPECT_EQ(parsed->opcode, c.opcode);
        EXPECT_EQ(parsed->payloadLength, c.length);
    }
    EXPECT_EQ(ExtendedLengthSize(0x7e), 2u);
    EXPECT_EQ(ExtendedLengthSize(0x7f), 8u);
    EXPECT_EQ(ExtendedLengthSize(0x7d), 0u);
}

TEST(WebSocketFrames, InvalidServerHeadersAreRefused) {
    const std::string cases[] = {
        "\x81\x85",                          // masked by the server
        "\xc1\x05",                          // reserved bit
        "\x83\x05",                          // unknown opcode
        "\x09\x05",                          // fragmented ping
        std::string("\x89\x7e\x00\x7e", 4),  // control frame over 125 bytes
        std::string("\x82\x7f\x80\x00\x00\x00\x00\x00\x00\x00", 10),  // top length bit
        "\x81",                                                       // cut short
        std::string("\x81\x7e\x01", 3),                               // extended length cut short
    };
    for (const auto& header : cases) EXPECT_FALSE(ParseServerFrameHeader(header).ok());
}

}  // namespace
}  // namespace pagelens::capture::websocket

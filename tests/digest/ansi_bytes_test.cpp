// One byte per character through the ANSI code page, whatever the characters are.
#include "digest/ansi_bytes.h"

#include <gtest/gtest.h>
#include <windows.h>

namespace pagelens {
namespace {

uint8_t DefaultChar() {
    CPINFO info{};
    GetCPInfo(CP_ACP, &info);
    return info.DefaultChar[0];
}

TEST(AnsiBytesOnePerChar, EveryCharacterGivesExactlyOneByte) {
    const uint8_t q = DefaultChar();
    struct Case {
        std::wstring text;
        ByteArray bytes;
    };
    const Case cases[] = {
        {L"", {}},
        {L"http://a.b/?q=1&r=%20", {'h', 't', 't', 'p', ':', '/', '/', 'a', '.', 'b', '/',
                                    '?', 'q', '=', '1', '&', 'r', '=', '%', '2', '0'}},
        {std::wstring(L"\0\x01\x7F", 3), {0x00, 0x01, 0x7F}},
        {L"x\u4E2D\u6587y", {'x', q, q, 'y'}},            // no single-byte code anywhere
        {std::wstring{wchar_t(0xD800), L'z'}, {q, 'z'}},  // a lone surrogate half
        {L"\U0001F600", {q, q}},                          // a pair: one byte per UTF-16 unit
    };
    for (const auto& c : cases) {
        EXPECT_EQ(AnsiBytesOnePerChar(c.text), c.bytes) << testing::PrintToString(c.text);
    }
}

}  // namespace
}  // namespace pagelens

// One byte per character through the ANSI code page, whatever the characters are.
#include "digest/ansi_bytes.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "common/text_codepage.h"

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
        {L"http://a.b/?q=1&r=%20", {'h', 't', 't', 'p', ':', '/', '/', 'a', '.', 'b',
                                    '/', '?', 'q', '=', '1', '&', 'r', '=', '%', '2', '0'}},
        {std::wstring(L"\0\x01\x7F", 3), {0x00, 0x01, 0x7F}},
        {L"x\u4E2D\u6587y", {'x', q, q, 'y'}},         // no single-byte code anywhere
        {L"\xD800" L"z", {q, 'z'}},                      // a lone surrogate half
        {L"\U0001F600", {q, q}},                         // a pair: one byte per UTF-16 unit
    };
    for (const auto& c : cases) {
        EXPECT_EQ(AnsiBytesOnePerChar(c.text), c.bytes) << testing::PrintToString(c.text);
    }
}

TEST(AnsiBytesOnePerChar, RepresentableCharactersTakeTheirCodePageCode) {
    // Whatever the code page, a non-ASCII character that it encodes in one byte keeps that byte.
    int checked = 0;
    for (wchar_t ch = 0x80; ch < 0x800; ++ch) {
        std::string narrow = ToAnsi(std::wstring(1, ch));
        if (narrow.size() != 1 || static_cast<uint8_t>(narrow[0]) == DefaultChar()) continue;
        ++checked;
        EXPECT_EQ(AnsiBytesOnePerChar(std::wstring(1, ch)),
                  ByteArray{static_cast<uint8_t>(narrow[0])})
            << static_cast<int>(ch);
    }
    EXPECT_GT(checked, 0);
}

}  // namespace
}  // namespace pagelens

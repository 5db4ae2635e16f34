// The MD5 class against known digests (RFC 1321 and values from md5sum), its incremental use,
// its text forms, its error cases, and files read from the test's temporary folder. How text
// becomes bytes is tested with AnsiBytesOnePerChar.
#include "digest/md5.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <climits>
#include <numeric>
#include <vector>

#include "common/unique_handle.h"
#include "tests/support/test_support.h"

namespace pagelens {
namespace {

// Printable ASCII cycling from '!': the texts whose digests md5sum gave for the table below.
std::wstring Printable(size_t length) {
    std::wstring text(length, L'\0');
    for (size_t i = 0; i < length; ++i) text[i] = static_cast<wchar_t>(33 + i % 94);
    return text;
}

ByteArray PrintableBytes(size_t length) {
    ByteArray bytes(length);
    for (size_t i = 0; i < length; ++i) bytes[i] = static_cast<uint8_t>(33 + i % 94);
    return bytes;
}

std::wstring DigestOfBytes(const ByteArray& bytes) {
    MD5 md5;
    md5.MD5Init();
    EXPECT_TRUE(md5.MD5Update(static_cast<int32_t>(bytes.size()), bytes).ok());
    md5.MD5Final();
    return md5.GetValues();
}

TEST(MD5, Rfc1321TestSuite) {
    struct Case {
        const wchar_t* text;
        const wchar_t* digest;
    };
    const Case cases[] = {
        {L"", L"D41D8CD98F00B204E9800998ECF8427E"},
        {L"a", L"0CC175B9C0F1B6A831C399E269772661"},
        {L"abc", L"900150983CD24FB0D6963F7D28E17F72"},
        {L"message digest", L"F96B697D7CB7938D525A2F31AAF161D0"},
        {L"abcdefghijklmnopqrstuvwxyz", L"C3FCD3D76192E4007DFB496CCA67E13B"},
        {L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
         L"D174AB98D277D9F5A5611C2C9F419D9F"},
        {L"1234567890123456789012345678901234567890"
         L"1234567890123456789012345678901234567890",
         L"57EDF4A22BE3C955AC49DA2E2107B67A"},
    };
    MD5 md5;  // one instance for all: each digest starts afresh
    for (const auto& c : cases) EXPECT_EQ(md5.DigestStrToHexStr(c.text), c.digest) << c.text;
}

TEST(MD5, LengthsAroundTheBlockAndPaddingBoundaries) {
    struct Case {
        size_t length;
        const wchar_t* digest;
    };
    const Case cases[] = {
        {55, L"DFA7D7A4195C9DCF581C28B9BD9DA8B2"},  {56, L"FA24E227263127308F3B11557E140119"},
        {57, L"AE9BEC6AEAA7000AD340B645C115FEF3"},  {63, L"DBDB9C08A4C821016525F9D3A6C70903"},
        {64, L"5CDCE4305447981768A83EBF68E751DB"},  {119, L"E5EE67652210101E821298FAD8451BD8"},
        {120, L"1586B80D320335AF5E94F211D5B69F60"}, {121, L"620BA774BC6F07C0BBA8292106A7EF10"},
    };
    MD5 md5;
    for (const auto& c : cases) {
        EXPECT_EQ(md5.DigestStrToHexStr(Printable(c.length)), c.digest) << c.length;
        EXPECT_EQ(DigestOfBytes(PrintableBytes(c.length)), c.digest) << c.length;
    }
}

TEST(MD5, StringsBeyondSixteenBitCountsAreDigested) {
    struct Case {
        size_t length;
        const wchar_t* digest;
    };
    const Case cases[] = {
        {32767, L"E0BD0BE43F9BE26545556D6958855515"},
        {32768, L"A82ABFACA44BF08ABC7A1A66280B0AED"},
        {100000, L"8F50456616914C91439EB9FCC7FB7389"},
    };
    for (const auto& c : cases) {
        std::wstring text(c.length, L'\0');
        for (size_t i = 0; i < c.length; ++i) text[i] = static_cast<wchar_t>((i * 7 + 3) % 128);
        EXPECT_EQ(MD5().DigestStrToHexStr(text), c.digest) << c.length;
    }
}

TEST(MD5, StateTextRightAfterInit) {
    MD5 md5;
    EXPECT_EQ(md5.GetValues(), std::wstring(32, L'0'));  // a new instance holds zeros
    EXPECT_EQ(md5.RegisterA(), L"0");

    md5.MD5Init();
    EXPECT_EQ(md5.GetValues(), L"0123456789ABCDEFFEDCBA9876543210");
    EXPECT_EQ(md5.RegisterA(), L"1732584193");
    EXPECT_EQ(md5.RegisterB(), L"-271733879");
    EXPECT_EQ(md5.RegisterC(), L"-1732584194");
    EXPECT_EQ(md5.RegisterD(), L"271733878");
}

TEST(MD5, PiecewiseUpdatesEqualOneUpdate) {
    const ByteArray all = PrintableBytes(300);
    const std::wstring expected = DigestOfBytes(all);
    const std::vector<std::vector<int32_t>> splits = {
        {10, 100, 190},  {0, 300}, {1, 63, 64, 65, 107}, {63, 1, 236}, {64, 64, 172},
        {55, 1, 8, 236}, {299, 1},
    };
    for (const auto& split : splits) {
        ASSERT_EQ(std::accumulate(split.begin(), split.end(), 0), 300);
        MD5 md5;
        md5.MD5Init();
        size_t offset = 0;
        for (int32_t count : split) {
            ByteArray piece(all.begin() + offset, all.begin() + offset + count);
            piece.push_back(0xEE);  // bytes past the count must not be digested
            ASSERT_TRUE(md5.MD5Update(count, piece).ok());
            offset += count;
        }
        md5.MD5Final();
        EXPECT_EQ(md5.GetValues(), expected) << testing::PrintToString(split);
    }
}

TEST(MD5, UpdateCountOutsideTheBufferIsASubscriptError) {
    MD5 md5;
    md5.MD5Init();
    const ByteArray ten(10, 0x41);
    for (int32_t count : {11, 1000, -1, INT_MIN}) {
        Status status = md5.MD5Update(count, ten);
        ASSERT_FALSE(status.ok()) << count;
        EXPECT_EQ(status.error(), errors::SubscriptOutOfRange()) << count;
    }
    EXPECT_FALSE(md5.MD5Update(1, ByteArray{}).ok());
    // The refused calls digested nothing.
    ASSERT_TRUE(md5.MD5Update(3, ByteArray{'a', 'b', 'c'}).ok());
    md5.MD5Final();
    EXPECT_EQ(md5.GetValues(), L"900150983CD24FB0D6963F7D28E17F72");
}

TEST(MD5, LongLeftRotate) {
    struct Case {
        uint32_t value;
        int32_t bits;
        uint32_t expected;
    };
    const Case cases[] = {
        {0x80000001, 0, 0x80000001},  {0x80000001, 32, 0x80000001},
        {0x80000001, -1, 0x80000001}, {0x80000001, -33, 0x80000001},
        {0x80000001, 1, 0x00000003},  {0x80000001, 33, 0x00000003},
        {0x12345678, 4, 0x23456781},  {0x12345678, 31, 0x091A2B3C},
        {0x12345678, 68, 0x23456781}, {0x12345678, INT_MIN, 0x12345678},
        {0xFFFFFFFF, 7, 0xFFFFFFFF},  {0x00000001, 31, 0x80000000},
    };
    MD5 md5;
    for (const auto& c : cases) {
        EXPECT_EQ(static_cast<uint32_t>(md5.LongLeftRotate(static_cast<int32_t>(c.value), c.bits)),
                  c.expected)
            << std::hex << c.value << " by " << std::dec << c.bits;
    }
}

class MD5File : public testing::Test {
protected:
    std::wstring Write(const std::wstring& name, const ByteArray& bytes) {
        std::wstring path = folder_.file(name);
        test::WriteFileBytes(path, bytes.data(), bytes.size());
        return path;
    }
    test::TempFolder folder_;
};

TEST_F(MD5File, SmallFilesAreDigestedWhole) {
    struct Case {
        size_t length;
        const wchar_t* digest;
    };
    const Case cases[] = {
        {0, L"D41D8CD98F00B204E9800998ECF8427E"},
        {3, L"41BEE5C74F0E160DA4776EB4143813E1"},
        {64, L"5CDCE4305447981768A83EBF68E751DB"},
        {128, L"E2C7DCE318B8A3CDFC718E2AE90186E0"},
    };
    MD5 md5;
    for (const auto& c : cases) {
        std::wstring path = Write(L"file" + std::to_wstring(c.length), PrintableBytes(c.length));
        auto digest = md5.DigestFileToHexStr(path);
        ASSERT_TRUE(digest.ok()) << c.length;
        EXPECT_EQ(*digest, c.digest) << c.length;
        EXPECT_EQ(*digest, md5.DigestStrToHexStr(Printable(c.length))) << c.length;
    }
}

TEST_F(MD5File, ManyChunksAndATail) {
    ByteArray bytes(5 * (1 << 20) + 37);
    for (size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<uint8_t>(i ^ (i >> 8) ^ (i >> 16));
    }
    auto digest = MD5().DigestFileToHexStr(Write(L"stream.bin", bytes));
    ASSERT_TRUE(digest.ok());
    EXPECT_EQ(*digest, L"A0B1F26C1DF42F05BE4FF1BECC5FA7CA");
}

// Just past 2^28 bytes, where a 32-bit bit length would overflow; sparse, so it costs no disk.
TEST_F(MD5File, FileWhoseBitLengthExceedsThirtyTwoBits) {
    std::wstring path = folder_.file(L"sparse.bin");
    {
        UniqueFile file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(file);
        LARGE_INTEGER size;
        size.QuadPart = (1LL << 28) + 1000;
        ASSERT_TRUE(SetFilePointerEx(file.get(), size, nullptr, FILE_BEGIN));
        ASSERT_TRUE(SetEndOfFile(file.get()));
    }
    auto digest = MD5().DigestFileToHexStr(path);
    ASSERT_TRUE(digest.ok());
    EXPECT_EQ(*digest, L"F068CB0F953E5A31C3E77C7722D472DB");
}

TEST_F(MD5File, MissingOrUnreadableFilesAreErrors) {
    MD5 md5;
    auto missing = md5.DigestFileToHexStr(folder_.file(L"absent.bin"));
    ASSERT_FALSE(missing.ok());
    EXPECT_EQ(missing.error(), errors::FileNotFound());

    auto missingFolder = md5.DigestFileToHexStr(folder_.file(L"absent\\file.bin"));
    ASSERT_FALSE(missingFolder.ok());
    EXPECT_EQ(missingFolder.error(), errors::FileNotFound());

    auto folder = md5.DigestFileToHexStr(folder_.path());
    ASSERT_FALSE(folder.ok());
    EXPECT_EQ(folder.error().number, 75);

    // A file that someone holds open without sharing it for reading.
    std::wstring locked = Write(L"locked.bin", PrintableBytes(10));
    UniqueFile holder(CreateFileW(locked.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                  OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(holder);
    auto refused = md5.DigestFileToHexStr(locked);
    ASSERT_FALSE(refused.ok());
    EXPECT_EQ(refused.error().number, 75);
}

}  // namespace
}  // namespace pagelens

// cRegistry's typed Value read and write, on a throwaway key under HKEY_CURRENT_USER.
#include <gtest/gtest.h>

#include "settings/registry.h"
#include "settings/registry_encoding.h"
#include "tests/settings/registry_test_keys.h"

namespace pagelens {
namespace {

using test::Bytes;
using test::RawValue;

cRegistry At(const std::wstring& path, const std::wstring& valueName) {
    cRegistry registry;
    registry.ClassKey(test::kHkeyCurrentUser);
    registry.SectionKey(path);
    registry.ValueKey(valueName);
    return registry;
}

TEST(RegistryValue, ReadsEachStoredTypeIntoItsKind) {
    test::ScratchKey scratch;
    struct Case {
        const char* label;
        DWORD type;
        std::vector<BYTE> stored;
        SettingValue expected;
    };
    const Case cases[] = {
        {"sz", REG_SZ, Bytes({"jpg\0", 4}), std::wstring(L"jpg")},
        {"sz without data", REG_SZ, {}, std::wstring()},
        {"multi-sz", REG_MULTI_SZ, Bytes({"a\0b\0\0", 5}), std::wstring(L"a\0b\0", 4)},
        {"dword", REG_DWORD, {0x04, 0x03, 0x02, 0x01}, int32_t{0x01020304}},
        {"negative dword", REG_DWORD, {0xFE, 0xFF, 0xFF, 0xFF}, int32_t{-2}},
        {"big-endian", REG_DWORD_BIG_ENDIAN, {0x00, 0x00, 0x01, 0x02}, int32_t{258}},
        {"binary", REG_BINARY, {0x00, 0x7F, 0xFF}, ByteArray{0x00, 0x7F, 0xFF}},
        {"empty binary", REG_BINARY, {}, ByteArray{}},
        {"none", REG_NONE, {0x10, 0x20}, ByteArray{0x10, 0x20}},
        {"qword", REG_QWORD, {1, 2, 3, 4, 5, 6, 7, 8}, ByteArray{1, 2, 3, 4, 5, 6, 7, 8}},
    };
    for (const auto& c : cases) {
        test::WriteRaw(HKEY_CURRENT_USER, scratch.path(), L"v", c.type, c.stored);
        cRegistry registry = At(scratch.path(), L"v");
        registry.Default(std::wstring(L"fallback"));
        SettingValue read = registry.Value();
        EXPECT_EQ(read.index(), c.expected.index()) << c.label;
        EXPECT_EQ(read, c.expected) << c.label;
        EXPECT_EQ(registry.ValueType(), static_cast<int32_t>(c.type)) << c.label;
    }
}

TEST(RegistryValue, MissingOrUnreadableGivesTheDefaultAndKeepsValueType) {
    test::ScratchKey scratch;
    test::WriteRaw(HKEY_CURRENT_USER, scratch.path(), L"short dword", REG_DWORD, {1, 2});
    struct Case {
        std::wstring path;
        std::wstring name;
    };
    const Case cases[] = {
        {scratch.below(L"missing"), L"v"},
        {scratch.path(), L"missing"},
        {scratch.path(), L"short dword"},
    };
    const SettingValue defaults[] = {int32_t{85},          int16_t{3},   1440.0f,
                                     std::wstring(L"jpg"), ByteArray{9}, SettingValue{}};
    for (const auto& c : cases) {
        for (const auto& fallback : defaults) {
            cRegistry registry = At(c.path, c.name);
            registry.ValueType(77);
            registry.Default(fallback);
            EXPECT_EQ(registry.Value(), fallback) << c.name;
            EXPECT_EQ(registry.ValueType(), 77) << c.name;
        }
    }
    EXPECT_FALSE(test::RawKeyExists(HKEY_CURRENT_USER, scratch.below(L"missing")));
}

TEST(RegistryValue, ExpandableTextReadsWithEnvironmentReferencesExpanded) {
    test::ScratchKey scratch;
    SetEnvironmentVariableA("PAGELENS_VALUE_TEST", "expanded");
    test::WriteRaw(HKEY_CURRENT_USER, scratch.path(), L"v", REG_EXPAND_SZ,
                   Bytes({"<%PAGELENS_VALUE_TEST%|%PAGELENS_NOT_SET%>\0", 43}));
    cRegistry registry = At(scratch.path(), L"v");
    EXPECT_EQ(registry.Value(), SettingValue{std::wstring(L"<expanded|%PAGELENS_NOT_SET%>")});
    EXPECT_EQ(registry.ValueType(), REG_EXPAND_SZ);
    SetEnvironmentVariableA("PAGELENS_VALUE_TEST", nullptr);
}

TEST(RegistryValue, WritesStoreTheTypeAndBytesOfEachSupportedKind) {
    test::ScratchKey scratch;
    struct Case {
        const char* label;
        int32_t valueType;
        SettingValue value;
        RawValue stored;
    };
    const Case cases[] = {
        {"int16 as text", REG_SZ, int16_t{-3}, {REG_SZ, Bytes({"-3\0", 3})}},
        {"float as text", REG_SZ, 1440.0f, {REG_SZ, Bytes({"1440\0", 5})}},
        {"empty as text", REG_SZ, SettingValue{}, {REG_SZ, {0}}},
        {"bytes as text", REG_SZ, ByteArray{'h', 'i'}, {REG_SZ, Bytes({"hi\0", 3})}},
        {"expand asked, plain text",
         REG_EXPAND_SZ,
         std::wstring(L"a%b"),
         {REG_SZ, Bytes({"a%b\0", 4})}},
        {"sz asked, reference given",
         REG_SZ,
         std::wstring(L"%A%"),
         {REG_EXPAND_SZ, Bytes({"%A%\0", 4})}},
        {"adjacent percent signs", REG_SZ, std::wstring(L"%%"), {REG_SZ, Bytes({"%%\0", 3})}},
        {"binary", REG_BINARY, ByteArray{1, 0, 255}, {REG_BINARY, {1, 0, 255}}},
        {"empty binary", REG_BINARY, ByteArray{}, {REG_BINARY, {}}},
        {"dword from int16", REG_DWORD, int16_t{-2}, {REG_DWORD, {0xFE, 0xFF, 0xFF, 0xFF}}},
        {"dword from int32", REG_DWORD, int32_t{0x01020304}, {REG_DWORD, {4, 3, 2, 1}}},
        {"big-endian stored unreversed",
         REG_DWORD_BIG_ENDIAN,
         int32_t{258},
         {REG_DWORD, {2, 1, 0, 0}}},
    };
    for (const auto& c : cases) {
        cRegistry registry = At(scratch.below(L"a\\b"), L"v");
        registry.ValueType(c.valueType);
        ASSERT_TRUE(registry.Value(c.value).ok()) << c.label;
        EXPECT_EQ(test::ReadRaw(HKEY_CURRENT_USER, scratch.below(L"a\\b"), L"v"), c.stored)
            << c.label;
    }
}

TEST(RegistryValue, BinaryOfThreeBytesRoundTrips) {
    test::ScratchKey scratch;
    test::WriteRaw(HKEY_CURRENT_USER, scratch.path(), L"v", REG_BINARY, {0xCA, 0xFE, 0x00});
    cRegistry registry = At(scratch.path(), L"v");
    SettingValue read = registry.Value();
    ASSERT_EQ(std::get<ByteArray>(read).size(), 3u);
    RawValue before = *test::ReadRaw(HKEY_CURRENT_USER, scratch.path(), L"v");
    test::DeleteTree(HKEY_CURRENT_USER, scratch.path());
    ASSERT_TRUE(registry.Value(read).ok());  // ValueType is REG_BINARY from the read
    EXPECT_EQ(test::ReadRaw(HKEY_CURRENT_USER, scratch.path(), L"v"), before);
}

TEST(RegistryValue, RejectedWritesRaiseAndLeaveTheRegistryAlone) {
    test::ScratchKey scratch;
    const std::wstring path = scratch.below(L"never");
    const std::wstring prefix = L"Failed to set registry value Key: '-2147483647',Section: '" +
                                path + L"',Key: 'Name' to value: '";
    struct Case {
        const char* label;
        int32_t valueType;
        SettingValue value;
        int32_t number;
        std::wstring description;
    };
    const Case cases[] = {
        {"multi-sz", REG_MULTI_SZ, std::wstring(L"a"), int32_t(0x800469A9u), prefix + L"a'"},
        {"none, bytes shown in hex", REG_NONE, ByteArray{0x00, 0x1F, 0xFF}, int32_t(0x800469A9u),
         prefix + L"00 1F FF'"},
        {"link", REG_LINK, int32_t{5}, int32_t(0x800469A9u), prefix + L"5'"},
        {"binary from text", REG_BINARY, std::wstring(L"abc"), 26001, L""},
        {"dword from float", REG_DWORD, 1440.0f, int32_t(0x800469A9u), prefix + L"1440'"},
        {"dword from text", REG_DWORD_BIG_ENDIAN, std::wstring(L"85"), int32_t(0x800469A9u),
         prefix + L"85'"},
    };
    for (const auto& c : cases) {
        cRegistry registry = At(path, L"Name");
        registry.ValueType(c.valueType);
        Status written = registry.Value(c.value);
        ASSERT_FALSE(written.ok()) << c.label;
        EXPECT_EQ(written.error(), (RunError{c.number, L"iePagelens.cRegistry", c.description}))
            << c.label;
        EXPECT_FALSE(test::RawKeyExists(HKEY_CURRENT_USER, path)) << c.label;
    }
}

TEST(RegistryValue, AKeyThatCannotBeCreatedRaisesTheCreationErrors) {
    cRegistry registry;
    registry.ClassKey(0x1234);  // no such root key
    registry.SectionKey(L"Software\\VelmoraTest\\x");
    registry.ValueKey(L"Name");
    registry.ValueType(REG_SZ);
    Status written = registry.Value(int32_t{7});
    ASSERT_FALSE(written.ok());
    EXPECT_EQ(written.error(), (RunError{26001, L"iePagelens.cRegistry",
                                         L"Failed to set registry value Key: '4660',Section: "
                                         L"'Software\\VelmoraTest\\x',Key: 'Name' to value: '7'"}));
    auto created = registry.CreateKey();
    ASSERT_FALSE(created.ok());
    EXPECT_EQ(created.error(),
              (RunError{26001, L"iePagelens.cRegistry",
                        L"Failed to create registry Key: 'Software\\VelmoraTest\\x"}));
}

// Wine terminates every string it returns, so data without its NUL can only be fed in here.
TEST(RegistryValue, DecodingDropsOnlyATerminatingNulAndRejectsShortDwords) {
    using registry::DecodeValue;
    EXPECT_EQ(DecodeValue(REG_SZ, Bytes("abc")), SettingValue{std::wstring(L"abc")});
    EXPECT_EQ(DecodeValue(REG_SZ, Bytes({"abc\0", 4})), SettingValue{std::wstring(L"abc")});
    EXPECT_EQ(DecodeValue(REG_MULTI_SZ, Bytes({"a\0b", 3})),
              SettingValue{std::wstring(L"a\0b", 3)});
    EXPECT_EQ(DecodeValue(REG_DWORD, {1, 2, 3}), std::nullopt);
    EXPECT_EQ(DecodeValue(REG_DWORD_BIG_ENDIAN, {}), std::nullopt);
    EXPECT_EQ(DecodeValue(REG_DWORD, {1, 0, 0, 0, 9}), SettingValue{int32_t{1}});
}

TEST(RegistryValue, ReverseByteOrderSwapsAllFourBytes) {
    const std::pair<int32_t, int32_t> cases[] = {
        {0x00000102, 0x02010000},           {0x01020304, 0x04030201},           {-1, -1},
        {0x000000FF, int32_t(0xFF000000u)}, {int32_t(0x80000000u), 0x00000080},
    };
    for (const auto& [in, out] : cases) {
        EXPECT_EQ(cRegistry::ReverseByteOrder(in), out) << in;
        EXPECT_EQ(cRegistry::ReverseByteOrder(out), in) << in;
    }
}

TEST(RegistryValue, ExpandEnvironmentTextKeepsUnknownReferences) {
    SetEnvironmentVariableA("PAGELENS_EXPAND_TEST", "long enough to outgrow the reference");
    const std::pair<std::wstring, std::wstring> cases[] = {
        {L"", L""},
        {L"plain", L"plain"},
        {L"%PAGELENS_EXPAND_TEST%!", L"long enough to outgrow the reference!"},
        {L"%PAGELENS_UNKNOWN%", L"%PAGELENS_UNKNOWN%"},
        {L"100%", L"100%"},
    };
    for (const auto& [in, out] : cases) EXPECT_EQ(cRegistry::ExpandEnvironmentText(in), out) << in;
    SetEnvironmentVariableA("PAGELENS_EXPAND_TEST", nullptr);
}

}  // namespace
}  // namespace pagelens

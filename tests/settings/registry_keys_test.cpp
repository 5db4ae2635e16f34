// cRegistry's key members and listings: KeyExists, CreateKey, DeleteKey, DeleteValue,
// EnumerateValues and EnumerateSections, on a throwaway key under HKEY_CURRENT_USER.
#include <gtest/gtest.h>

#include <algorithm>

#include "settings/registry.h"
#include "tests/settings/registry_test_keys.h"

namespace pagelens {
namespace {

using test::Bytes;

cRegistry At(const std::wstring& path, const std::wstring& valueName = L"") {
    cRegistry registry;
    registry.ClassKey(test::kHkeyCurrentUser);
    registry.SectionKey(path);
    registry.ValueKey(valueName);
    return registry;
}

std::vector<std::wstring> Sorted(std::vector<std::wstring> names) {
    std::sort(names.begin(), names.end());
    return names;
}

TEST(RegistryKeys, CreateKeyMakesTheChainAndLeavesAnExistingKeyAlone) {
    test::ScratchKey scratch;
    const std::wstring deep = scratch.below(L"one\\two\\three");
    EXPECT_FALSE(At(deep).KeyExists());
    EXPECT_FALSE(test::RawKeyExists(HKEY_CURRENT_USER, deep));

    auto created = At(deep).CreateKey();
    ASSERT_TRUE(created.ok());
    EXPECT_TRUE(*created);
    EXPECT_TRUE(At(deep).KeyExists());

    test::WriteRaw(HKEY_CURRENT_USER, deep, L"keep", REG_SZ, Bytes({"x\0", 2}));
    auto again = At(deep).CreateKey();
    ASSERT_TRUE(again.ok());
    EXPECT_TRUE(*again);
    EXPECT_EQ(test::ReadRaw(HKEY_CURRENT_USER, deep, L"keep"),
              (test::RawValue{REG_SZ, Bytes({"x\0", 2})}));
    EXPECT_TRUE(test::RawSubkeys(HKEY_CURRENT_USER, deep).empty());
}

TEST(RegistryKeys, DeleteKeyReportsOnlyThroughItsResult) {
    test::ScratchKey scratch;
    EXPECT_FALSE(At(scratch.below(L"missing")).DeleteKey());
    ASSERT_TRUE(At(scratch.below(L"leaf")).CreateKey().ok());
    EXPECT_TRUE(At(scratch.below(L"leaf")).DeleteKey());
    EXPECT_FALSE(test::RawKeyExists(HKEY_CURRENT_USER, scratch.below(L"leaf")));
}

TEST(RegistryKeys, DeleteValueRemovesOneValueAndRaisesForMissingThings) {
    test::ScratchKey scratch;
    test::WriteRaw(HKEY_CURRENT_USER, scratch.path(), L"gone", REG_SZ, Bytes({"1\0", 2}));
    test::WriteRaw(HKEY_CURRENT_USER, scratch.path(), L"stays", REG_SZ, Bytes({"2\0", 2}));
    ThreadCurrentError() = {};

    auto deleted = At(scratch.path(), L"gone").DeleteValue();
    ASSERT_TRUE(deleted.ok());
    EXPECT_TRUE(*deleted);
    EXPECT_FALSE(test::ReadRaw(HKEY_CURRENT_USER, scratch.path(), L"gone"));
    EXPECT_TRUE(test::ReadRaw(HKEY_CURRENT_USER, scratch.path(), L"stays"));

    auto missingKey = At(scratch.below(L"nokey"), L"v").DeleteValue();
    ASSERT_FALSE(missingKey.ok());
    EXPECT_EQ(missingKey.error(), (RunError{26001, L"iePagelens.cRegistry",
                                            L"Failed to open key '-2147483647',Section: '" +
                                                scratch.below(L"nokey") + L"' for delete access"}));

    auto missingValue = At(scratch.path(), L"gone").DeleteValue();
    ASSERT_FALSE(missingValue.ok());
    const std::wstring deleteText = L"Failed to delete registry Key: '-2147483647',Section: '" +
                                    scratch.path() + L"',Key: 'gone, ";
    EXPECT_EQ(missingValue.error(), (RunError{26001, L"iePagelens.cRegistry", deleteText}));

    // The thread's pending error, when there is one, ends the description.
    cRegistry().CreateAdditionalEXEAssociations(L"x", nullptr);
    auto withPending = At(scratch.path(), L"gone").DeleteValue();
    ASSERT_FALSE(withPending.ok());
    EXPECT_EQ(withPending.error().description,
              deleteText +
                  L"Invalid parameter list passed to CreateAdditionalEXEAssociations - "
                  L"expected Name/Text/Command");
    ThreadCurrentError() = {};
}

TEST(RegistryKeys, EnumerateValuesListsEveryNameTheDefaultAsEmpty) {
    test::ScratchKey scratch;
    std::vector<std::wstring> names{L"stale"};
    int32_t count = -1;
    struct Case {
        std::wstring path;
        std::vector<std::wstring> expected;
    };
    test::WriteRaw(HKEY_CURRENT_USER, scratch.below(L"three"), L"", REG_SZ, Bytes({"d\0", 2}));
    test::WriteRaw(HKEY_CURRENT_USER, scratch.below(L"three"), L"Alpha", REG_DWORD, {1, 0, 0, 0});
    test::WriteRaw(HKEY_CURRENT_USER, scratch.below(L"three"), std::wstring(200, L'n'), REG_BINARY,
                   {});
    ASSERT_TRUE(At(scratch.below(L"empty")).CreateKey().ok());
    const Case cases[] = {
        {scratch.below(L"missing"), {}},
        {scratch.below(L"empty"), {}},
        {scratch.below(L"three"), {L"", L"Alpha", std::wstring(200, L'n')}},
    };
    for (const auto& c : cases) {
        EXPECT_TRUE(At(c.path).EnumerateValues(names, count)) << c.path;
        EXPECT_EQ(Sorted(names), c.expected) << c.path;
        EXPECT_EQ(count, static_cast<int32_t>(c.expected.size())) << c.path;
    }
}

TEST(RegistryKeys, EnumerateSectionsListsSubkeysUpToTheLongestName) {
    test::ScratchKey scratch;
    const std::wstring longest(255, L'k');
    ASSERT_TRUE(At(scratch.below(L"parent\\a\\grandchild")).CreateKey().ok());
    ASSERT_TRUE(At(scratch.below(L"parent\\b")).CreateKey().ok());
    // A name of 255 characters fills a 255-character buffer with no room for its NUL.
    test::CreateRawSubkey(HKEY_CURRENT_USER, scratch.below(L"parent"), longest);
    std::vector<std::wstring> names{L"stale"};
    int32_t count = -1;

    auto missing = At(scratch.below(L"missing")).EnumerateSections(names, count);
    ASSERT_TRUE(missing.ok());
    EXPECT_TRUE(*missing);
    EXPECT_TRUE(names.empty());
    EXPECT_EQ(count, 0);

    auto listed = At(scratch.below(L"parent")).EnumerateSections(names, count);
    ASSERT_TRUE(listed.ok());
    EXPECT_EQ(Sorted(names), (std::vector<std::wstring>{L"a", L"b", longest}));
    EXPECT_EQ(count, 3);

    auto leaf = At(scratch.below(L"parent\\a\\grandchild")).EnumerateSections(names, count);
    ASSERT_TRUE(leaf.ok());
    EXPECT_TRUE(names.empty());
    EXPECT_EQ(count, 0);
}

}  // namespace
}  // namespace pagelens

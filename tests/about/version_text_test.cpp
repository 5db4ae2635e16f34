#include "about/version_text.h"

#include <gtest/gtest.h>

#include "common/module.h"
#include "tests/support/test_support.h"

namespace pagelens {
namespace {

TEST(VersionText, MajorMinorAndTheLastFieldOfTheFileVersion) {
    const struct {
        FileVersion version;
        const wchar_t* expected;
    } cases[] = {
        {{1, 0, 0, 0}, L"Version 1.0.0"},
        {{2, 3, 0, 7}, L"Version 2.3.7"},
        {{2, 3, 9, 7}, L"Version 2.3.7"},  // the third field is not shown
        {{10, 20, 30, 40}, L"Version 10.20.40"},
        {{65535, 65535, 65535, 65535}, L"Version 65535.65535.65535"},
        {{0, 0, 0, 0}, L"Version 0.0.0"},
    };
    for (const auto& c : cases) EXPECT_EQ(VersionText(c.version), c.expected);
}

TEST(ReadFileVersion, ReadsThisProgramsVersionResource) {
    Result<FileVersion> version = ReadFileVersion(ThisModulePath());
    ASSERT_TRUE(version.ok());
    EXPECT_EQ(*version, (FileVersion{2, 3, 0, 7}));
}

TEST(ReadFileVersion, FileWithoutVersionIsNotFound) {
    test::TempFolder folder;
    const std::wstring plain = folder.file(L"plain.txt");
    test::WriteFileBytes(plain, "no version here", 15);
    for (const std::wstring& path : {plain, folder.file(L"absent.dll"), std::wstring()}) {
        Result<FileVersion> version = ReadFileVersion(path);
        ASSERT_FALSE(version.ok());
        EXPECT_EQ(version.error().number, errors::FileNotFound().number);
    }
}

}  // namespace
}  // namespace pagelens

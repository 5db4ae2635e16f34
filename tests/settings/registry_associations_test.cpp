// cRegistry's file-type registration, checked under HKEY_CLASSES_ROOT and under
// HKEY_LOCAL_MACHINE\SOFTWARE\Classes with an extension and class that nothing else uses.
#include <gtest/gtest.h>

#include <algorithm>

#include "common/text_codepage.h"
#include "settings/registry.h"
#include "tests/settings/registry_test_keys.h"

namespace pagelens {
namespace {

struct ClassesRoot {
    HKEY handle;
    int32_t classKey;
    std::wstring prefix;
};
const ClassesRoot kRoots[] = {
    {HKEY_CLASSES_ROOT, kHkeyClassesRoot, L""},
    {HKEY_LOCAL_MACHINE, kHkeyLocalMachine, L"SOFTWARE\\Classes\\"},
};

const std::wstring kSource = L"iePagelens.cRegistry";

// A throwaway extension and class, removed from both roots afterwards.
class AssociationTest : public ::testing::Test {
protected:
    AssociationTest()
        : extension_(L"vlmz" + std::to_wstring(GetCurrentProcessId())),
          className_(L"VelmoraTest.Vlmz" + std::to_wstring(GetCurrentProcessId())) {
        RemoveKeys();
    }
    ~AssociationTest() override {
        RemoveKeys();
        ThreadCurrentError() = {};
    }

    void RemoveKeys() {
        for (const auto& root : kRoots) {
            test::DeleteTree(root.handle, root.prefix + L"." + extension_);
            test::DeleteTree(root.handle, root.prefix + className_);
        }
    }

    Status RegisterPlain(cRegistry& registry, const std::wstring& programPath) {
        return registry.CreateEXEAssociation(programPath, className_, L"Velmora test file",
                                             extension_, L"", false, L"", false, L"", false, L"",
                                             -1);
    }

    // The key's default text under one root; "<missing>" when there is none.
    static std::wstring DefaultText(const ClassesRoot& root, const std::wstring& path) {
        auto raw = test::ReadRaw(root.handle, root.prefix + path, L"");
        if (!raw) return L"<missing>";
        std::string text(raw->data.begin(), raw->data.end());
        if (!text.empty() && text.back() == '\0') text.pop_back();
        return FromAnsi(text);
    }

    static std::vector<std::wstring> Sections(const ClassesRoot& root, const std::wstring& path) {
        cRegistry registry;
        registry.ClassKey(root.classKey);
        registry.SectionKey(root.prefix + path);
        std::vector<std::wstring> names;
        int32_t count = 0;
        EXPECT_TRUE(registry.EnumerateSections(names, count).ok());
        std::sort(names.begin(), names.end());
        return names;
    }

    std::wstring shell(const std::wstring& rest) const { return className_ + L"\\shell\\" + rest; }

    std::wstring extension_;
    std::wstring className_;
};

using Names = std::vector<std::wstring>;

TEST_F(AssociationTest, AllFlagsFalseWritesExactlyFourKeysUnderBothRoots) {
    cRegistry registry;
    ASSERT_TRUE(RegisterPlain(registry, L"C:\\Apps\\viewer.exe").ok());
    for (const auto& root : kRoots) {
        SCOPED_TRACE(root.classKey);
        EXPECT_EQ(DefaultText(root, L"." + extension_), className_);
        EXPECT_EQ(DefaultText(root, className_), L"Velmora test file");
        EXPECT_EQ(DefaultText(root, shell(L"open")), L"&Open");
        EXPECT_EQ(DefaultText(root, shell(L"open\\command")), L"\"C:\\Apps\\viewer.exe\" \"%1\"");
        EXPECT_EQ(Sections(root, L"." + extension_), Names{});
        EXPECT_EQ(Sections(root, className_), Names{L"shell"});
        EXPECT_EQ(Sections(root, className_ + L"\\shell"), Names{L"open"});
        EXPECT_EQ(Sections(root, shell(L"open")), Names{L"command"});
        EXPECT_EQ(Sections(root, shell(L"open\\command")), Names{});
    }
    EXPECT_EQ(registry.ClassKey(), kHkeyLocalMachine);
    EXPECT_EQ(registry.SectionKey(), shell(L"open\\command"));
    EXPECT_EQ(registry.ValueKey(), L"");
    EXPECT_EQ(registry.ValueType(), REG_SZ);
}

TEST_F(AssociationTest, EveryFlagWithEmptyTextsAndAnIconUsesTheDefaultMenuTexts) {
    cRegistry registry;
    ASSERT_TRUE(registry
                    .CreateEXEAssociation(L"  C:\\Program Files\\Velmora Test\\app.exe  ",
                                          className_, L"Described", extension_, L"", true, L"",
                                          true, L"", true, L"", 0)
                    .ok());
    const std::wstring quoted = L"\"C:\\Program Files\\Velmora Test\\app.exe\"";
    const std::pair<std::wstring, std::wstring> expected[] = {
        {shell(L"open"), L"&Open"},
        {shell(L"open\\command"), quoted + L" \"%1\""},
        {shell(L"print"), L"&Print"},
        {shell(L"print\\command"), quoted + L" /p \"%1\""},
        {shell(L"add"), L"&Install " + extension_},
        {shell(L"add\\command"), quoted + L" /a \"%1\""},
        {shell(L"new"), L"&New"},
        {shell(L"new\\command"), quoted + L" /n \"%1\""},
        {className_ + L"\\DefaultIcon", quoted + L",0"},
    };
    for (const auto& root : kRoots) {
        for (const auto& [path, text] : expected)
            EXPECT_EQ(DefaultText(root, path), text) << root.classKey << L" " << path;
        EXPECT_EQ(Sections(root, className_ + L"\\shell"),
                  (Names{L"add", L"new", L"open", L"print"}));
    }
    EXPECT_EQ(registry.SectionKey(), className_ + L"\\DefaultIcon");
}

TEST_F(AssociationTest, GivenMenuTextsAndProgramPathsAreQuotedOnce) {
    struct Case {
        std::wstring programPath;
        std::wstring quoted;
    };
    const Case cases[] = {
        {L"\"C:\\Apps\\quoted.exe\"", L"\"C:\\Apps\\quoted.exe\""},
        {L" C:\\Apps\\open.exe\"", L"\"C:\\Apps\\open.exe\""},
        {L"\"C:\\Apps\\close.exe ", L"\"C:\\Apps\\close.exe\""},
        {L"   ", L"\"\""},
    };
    for (const auto& c : cases) {
        cRegistry registry;
        ASSERT_TRUE(registry
                        .CreateEXEAssociation(c.programPath, className_, L"d", extension_, L"&View",
                                              true, L"Print it", true, L"Make new", true, L"Add it",
                                              3)
                        .ok());
        for (const auto& root : kRoots) {
            EXPECT_EQ(DefaultText(root, shell(L"open")), L"&View");
            EXPECT_EQ(DefaultText(root, shell(L"print")), L"Print it");
            EXPECT_EQ(DefaultText(root, shell(L"add")), L"Add it");
            EXPECT_EQ(DefaultText(root, shell(L"new")), L"Make new");
            EXPECT_EQ(DefaultText(root, shell(L"open\\command")), c.quoted + L" \"%1\"");
            EXPECT_EQ(DefaultText(root, className_ + L"\\DefaultIcon"), c.quoted + L",3");
        }
    }
}

TEST_F(AssociationTest, AdditionalVerbsNeedTriplesAndAClassUnderTheCurrentRoot) {
    cRegistry registry;
    ASSERT_TRUE(RegisterPlain(registry, L"C:\\Apps\\viewer.exe").ok());
    const RunError invalidList{
        int32_t(0x800469ACu), kSource,
        L"Invalid parameter list passed to CreateAdditionalEXEAssociations - expected "
        L"Name/Text/Command"};
    const RunError classNotDefined{
        int32_t(0x800469ADu), kSource,
        L"Error - attempt to create additional associations before class defined."};

    const std::vector<SettingValue> four{std::wstring(L"view"), std::wstring(L"&View"),
                                         std::wstring(L"cmd"), std::wstring(L"extra")};
    registry.CreateAdditionalEXEAssociations(className_, &four);
    EXPECT_EQ(ThreadCurrentError(), invalidList);
    registry.CreateAdditionalEXEAssociations(className_, nullptr);
    EXPECT_EQ(ThreadCurrentError(), invalidList);

    // ClassKey is still HKEY_LOCAL_MACHINE, where the class has no key of its own.
    const std::vector<SettingValue> six{std::wstring(L"view"),
                                        std::wstring(L"&View"),
                                        std::wstring(L"viewer.exe /v \"%1\""),
                                        std::wstring(L"edit"),
                                        int32_t{42},
                                        std::wstring(L"editor.exe \"%1\"")};
    registry.CreateAdditionalEXEAssociations(className_, &six);
    EXPECT_EQ(ThreadCurrentError(), classNotDefined);
    for (const auto& root : kRoots)
        EXPECT_EQ(Sections(root, className_ + L"\\shell"), Names{L"open"});

    registry.ClassKey(kHkeyClassesRoot);
    registry.CreateAdditionalEXEAssociations(className_, &six);
    EXPECT_EQ(ThreadCurrentError(), RunError{});
    for (const auto& root : kRoots) {
        EXPECT_EQ(Sections(root, className_ + L"\\shell"), (Names{L"edit", L"open", L"view"}));
        EXPECT_EQ(DefaultText(root, shell(L"view")), L"&View");
        EXPECT_EQ(DefaultText(root, shell(L"view\\command")), L"viewer.exe /v \"%1\"");
        EXPECT_EQ(DefaultText(root, shell(L"edit")), L"42");
        EXPECT_EQ(DefaultText(root, shell(L"edit\\command")), L"editor.exe \"%1\"");
    }
    EXPECT_EQ(registry.ClassKey(), kHkeyLocalMachine);
    EXPECT_EQ(registry.SectionKey(), shell(L"edit\\command"));
}

TEST_F(AssociationTest, AFailedAdditionalWriteIsRecordedAndTheRestStillWritten) {
    cRegistry registry;
    ASSERT_TRUE(RegisterPlain(registry, L"C:\\Apps\\viewer.exe").ok());
    // A verb name longer than any key name the registry allows.
    const std::wstring tooLong(300, L'v');
    const std::vector<SettingValue> items{tooLong,
                                          std::wstring(L"x"),
                                          std::wstring(L"y"),
                                          std::wstring(L"good"),
                                          std::wstring(L"&Good"),
                                          std::wstring(L"good.exe")};
    registry.ClassKey(kHkeyClassesRoot);
    registry.CreateAdditionalEXEAssociations(className_, &items);
    const RunError& recorded = ThreadCurrentError();
    EXPECT_EQ(recorded.number, 26001);
    EXPECT_EQ(recorded.source, kSource);
    EXPECT_EQ(
        recorded.description.rfind(
            L"Failed to set registry value Key: '-2147483648',Section: '" + shell(tooLong), 0),
        0u)
        << recorded.description;
    for (const auto& root : kRoots) {
        EXPECT_EQ(Sections(root, className_ + L"\\shell"), (Names{L"good", L"open"}));
        EXPECT_EQ(DefaultText(root, shell(L"good\\command")), L"good.exe");
    }
}

}  // namespace
}  // namespace pagelens

// The settings routines against the real HKEY_LOCAL_MACHINE settings key.
#include "settings/settings.h"

#include <gtest/gtest.h>

#include "common/module.h"
#include "settings/shortcut_setting.h"
#include "tests/settings/registry_test_keys.h"
#include "tests/support/registry_guards.h"

namespace pagelens {
namespace {

using test::Bytes;
using test::RawValue;

using test::kSettingsPath;

SettingValue Read(const wchar_t* name, const SettingValue& fallback) {
    return GetRegSetting(kAppName, kSettingsSection, name, fallback);
}

std::optional<RawValue> RawSetting(const wchar_t* name) {
    return test::ReadRaw(HKEY_LOCAL_MACHINE, kSettingsPath, name);
}

TEST(Settings, FreshMachineReadsEveryDefaultInItsOwnKindAndCreatesNothing) {
    test::SettingsKeyGuard guard;
    bool velmoraExisted = test::RawKeyExists(HKEY_LOCAL_MACHINE, L"Software\\Velmora");
    const std::pair<const wchar_t*, SettingValue> defaults[] = {
        {setting::MainLeft, int32_t{1}},
        {setting::MainTop, int32_t{1}},
        {setting::MainWidth, int32_t{10000}},
        {setting::MainHeight, int32_t{6500}},
        {setting::PagelensAddress, std::wstring(kDefaultAddress)},
        {setting::JpegQuality, int32_t{85}},
        {setting::PagelensWidth, int32_t{120}},
        {setting::PagelensHeight, int32_t{90}},
        {setting::ImageType, std::wstring(L"jpg")},
        {L"Unlisted", int16_t{-7}},
        {L"Unlisted", 2.5f},
        {L"Unlisted", ByteArray{1, 2}},
        {L"Unlisted", SettingValue{}},
    };
    for (const auto& [name, fallback] : defaults) {
        SettingValue read = Read(name, fallback);
        EXPECT_EQ(read.index(), fallback.index()) << name;
        EXPECT_EQ(read, fallback) << name;
    }
    EXPECT_FALSE(test::RawKeyExists(HKEY_LOCAL_MACHINE, kSettingsPath));
    EXPECT_EQ(test::RawKeyExists(HKEY_LOCAL_MACHINE, L"Software\\Velmora"), velmoraExisted);
}

TEST(Settings, FirstSaveCreatesTheKeyChainAndStoresNumbersAsText) {
    test::SettingsKeyGuard guard;
    ASSERT_TRUE(SaveRegSetting(kAppName, kSettingsSection, setting::MainWidth, 1440.0f).ok());
    ASSERT_TRUE(SaveRegSetting(kAppName, kSettingsSection, setting::JpegQuality, int32_t{85}).ok());
    ASSERT_TRUE(SaveRegSetting(kAppName, kSettingsSection, setting::MainLeft, -120.5f).ok());
    ASSERT_TRUE(
        SaveRegSetting(kAppName, kSettingsSection, setting::ImageType, std::wstring(L"png")).ok());

    EXPECT_EQ(RawSetting(setting::MainWidth), (RawValue{REG_SZ, Bytes({"1440\0", 5})}));
    EXPECT_EQ(RawSetting(setting::JpegQuality), (RawValue{REG_SZ, Bytes({"85\0", 3})}));
    EXPECT_EQ(RawSetting(setting::MainLeft), (RawValue{REG_SZ, Bytes({"-120.5\0", 7})}));
    EXPECT_EQ(RawSetting(setting::ImageType), (RawValue{REG_SZ, Bytes({"png\0", 4})}));
    // Read back as text, whatever kind the default is.
    EXPECT_EQ(Read(setting::JpegQuality, int32_t{0}), SettingValue{std::wstring(L"85")});
    EXPECT_EQ(Read(setting::MainWidth, 0.0f), SettingValue{std::wstring(L"1440")});
}

// Addresses come back as they were typed, percent signs and all; a value that was stored
// expandable (by hand, or by an older version) still reads expanded.
TEST(Settings, TextIsStoredAsWrittenAndExpandableValuesStillReadExpanded) {
    test::SettingsKeyGuard guard;
    SetEnvironmentVariableA("PAGELENS_SETTINGS_TEST", "C:\\pages");
    struct Case {
        std::wstring saved;
        std::optional<DWORD> rawType;  // written as it is with this type instead of saved
        std::wstring readBack;
    };
    const Case cases[] = {
        {L"http://host/a%PAGELENS_SETTINGS_TEST%b", std::nullopt,
         L"http://host/a%PAGELENS_SETTINGS_TEST%b"},
        {L"http://host/%41%42", std::nullopt, L"http://host/%41%42"},
        {L"50%%off", std::nullopt, L"50%%off"},
        {L"%PAGELENS_SETTINGS_TEST%\\a.htm", REG_EXPAND_SZ, L"C:\\pages\\a.htm"},
        {L"x%PAGELENS_NO_SUCH_VARIABLE%y", REG_EXPAND_SZ, L"x%PAGELENS_NO_SUCH_VARIABLE%y"},
    };
    for (const auto& c : cases) {
        if (c.rawType) {
            const std::string ansi(c.saved.begin(), c.saved.end());
            test::WriteRaw(HKEY_LOCAL_MACHINE, kSettingsPath, setting::PagelensAddress, *c.rawType,
                           Bytes({ansi.c_str(), ansi.size() + 1}));
        } else {
            ASSERT_TRUE(
                SaveRegSetting(kAppName, kSettingsSection, setting::PagelensAddress, c.saved).ok());
            auto raw = RawSetting(setting::PagelensAddress);
            ASSERT_TRUE(raw);
            EXPECT_EQ(raw->type, static_cast<DWORD>(REG_SZ)) << c.saved;
        }
        EXPECT_EQ(Read(setting::PagelensAddress, std::wstring()), SettingValue{c.readBack})
            << c.saved;
    }
    SetEnvironmentVariableA("PAGELENS_SETTINGS_TEST", nullptr);
}

TEST(Settings, ShortcutTextParsesOrLeavesTheDefault) {
    constexpr Shortcut kNone{};
    const struct {
        const wchar_t* text;
        Shortcut expected;
    } cases[] = {
        {L"Ctrl+Shift+S", kDefaultShortcut},
        {L"  shift + CONTROL +s ", kDefaultShortcut},
        {L"Ctrl+Alt+P", {'P', true, false, true}},
        {L"Alt+7", {'7', false, false, true}},
        {L"F9", {VK_F9, false, false, false}},
        {L"Shift+F24", {VK_F24, false, true, false}},
        {L"", kNone},
        {L"   ", kNone},
        // Unreadable: the default.
        {L"S", kDefaultShortcut},        // would take a typed letter
        {L"Shift+S", kDefaultShortcut},  // likewise
        {L"Ctrl+Ctrl+S", kDefaultShortcut},
        {L"Ctrl+", kDefaultShortcut},
        {L"Ctrl++S", kDefaultShortcut},
        {L"Ctrl+Shift", kDefaultShortcut},
        {L"Ctrl+S+Shift", kDefaultShortcut},
        {L"Win+S", kDefaultShortcut},
        {L"Ctrl+F0", kDefaultShortcut},
        {L"Ctrl+F25", kDefaultShortcut},
        {L"Ctrl+F05", kDefaultShortcut},
        {L"Ctrl+\u00e9", kDefaultShortcut},
    };
    for (const auto& c : cases) EXPECT_EQ(ShortcutFromSetting(c.text), c.expected) << c.text;
}

TEST(Settings, ShortcutIsReadTheUsersBeforeTheMachines) {
    test::SettingsKeyGuard machine;
    test::UserSettingsGuard user;
    EXPECT_EQ(ReadShortcutSetting(), kDefaultShortcut) << "none stored";
    const auto text = [](const std::string& value) { return Bytes(value + std::string(1, '\0')); };
    test::WriteRaw(HKEY_LOCAL_MACHINE, kSettingsPath, setting::Shortcut, REG_SZ, text(""));
    EXPECT_EQ(ReadShortcutSetting(), Shortcut{}) << "turned off for everyone";
    test::WriteRaw(HKEY_CURRENT_USER, kSettingsPath, setting::Shortcut, REG_SZ, text("Alt+F2"));
    EXPECT_EQ(ReadShortcutSetting(), (Shortcut{VK_F2, false, false, true}));
}

TEST(Settings, AppPathIsTheModuleFolderWithOneTrailingBackslash) {
    std::wstring appPath = GetAppPath();
    ASSERT_GE(appPath.size(), 3u);
    EXPECT_EQ(appPath.back(), L'\\');
    EXPECT_NE(appPath[appPath.size() - 2], L'\\');
    std::wstring module = ThisModulePath();
    EXPECT_EQ(module.substr(0, appPath.size()), appPath);
    EXPECT_EQ(module.find(L'\\', appPath.size()), std::wstring::npos);
}

}  // namespace
}  // namespace pagelens

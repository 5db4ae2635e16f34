// The settings as a standard user finds them: the machine's key can be read but not written
// (its security descriptor says so, as Wine enforces), so writes go to the user's key, and reads
// take the user's value first, then the machine's, then the default. And the decimal sign of a
// comma-decimal user locale, both ways.
#include <gtest/gtest.h>

#include "common/protected_mode.h"
#include "settings/settings.h"
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

Status Save(const wchar_t* name, const SettingValue& value) {
    return SaveRegSetting(kAppName, kSettingsSection, name, value);
}

RawValue Text(const std::string& text) { return {REG_SZ, Bytes(text + std::string(1, '\0'))}; }
RawValue Text(const std::wstring& text) { return Text(std::string(text.begin(), text.end())); }

class StandardUserSettingsTest : public ::testing::Test {
protected:
    test::SettingsKeyGuard machine_;
    test::UserSettingsGuard user_;
};

TEST_F(StandardUserSettingsTest, RefusedMachineWritesGoToTheUserAndReadBack) {
    test::ReadOnlyKeyGuard readOnly(HKEY_LOCAL_MACHINE, kSettingsPath);
    ASSERT_TRUE(readOnly.applied());
    EXPECT_EQ(Read(setting::JpegQuality, int32_t{85}), SettingValue{int32_t{85}});

    const std::pair<const wchar_t*, SettingValue> writes[] = {
        {setting::MainLeft, 450.0f},
        {setting::JpegQuality, int32_t{60}},
        {setting::PagelensWidth, int32_t{640}},
        {setting::ImageType, std::wstring(L"png")},
        {setting::PagelensAddress, std::wstring(L"intranet.example/a")},
    };
    for (const auto& [name, value] : writes) {
        SCOPED_TRACE(testing::Message() << std::wstring(name));
        ASSERT_TRUE(Save(name, value).ok());
        EXPECT_EQ(test::ReadRaw(HKEY_CURRENT_USER, kSettingsPath, name),
                  Text(SettingToText(value)));
        EXPECT_FALSE(test::ReadRaw(HKEY_LOCAL_MACHINE, kSettingsPath, name));
        EXPECT_EQ(Read(name, SettingValue{}), SettingValue{SettingToText(value)});
    }
}

TEST_F(StandardUserSettingsTest, MachineValueIsEveryonesDefaultUntilTheUserStoresOne) {
    test::WriteRaw(HKEY_LOCAL_MACHINE, kSettingsPath, setting::JpegQuality, REG_SZ,
                   Bytes({"70\0", 3}));
    test::ReadOnlyKeyGuard readOnly(HKEY_LOCAL_MACHINE, kSettingsPath);
    ASSERT_TRUE(readOnly.applied());
    EXPECT_EQ(Read(setting::JpegQuality, int32_t{85}), SettingValue{std::wstring(L"70")});
    ASSERT_TRUE(Save(setting::JpegQuality, int32_t{40}).ok());
    EXPECT_EQ(Read(setting::JpegQuality, int32_t{85}), SettingValue{std::wstring(L"40")});
    EXPECT_EQ(test::ReadRaw(HKEY_LOCAL_MACHINE, kSettingsPath, setting::JpegQuality), Text("70"));
}

// An administrator's write still goes to the machine's key, and a user's value of the same name,
// which reads first, follows it.
TEST_F(StandardUserSettingsTest, WritableMachineKeyTakesTheWriteAndTheUserValueFollows) {
    test::WriteRaw(HKEY_CURRENT_USER, kSettingsPath, setting::ImageType, REG_SZ,
                   Bytes({"gif\0", 4}));
    ASSERT_TRUE(Save(setting::ImageType, std::wstring(L"bmp")).ok());
    ASSERT_TRUE(Save(setting::JpegQuality, int32_t{33}).ok());
    EXPECT_EQ(test::ReadRaw(HKEY_LOCAL_MACHINE, kSettingsPath, setting::ImageType), Text("bmp"));
    EXPECT_EQ(test::ReadRaw(HKEY_CURRENT_USER, kSettingsPath, setting::ImageType), Text("bmp"));
    EXPECT_EQ(test::ReadRaw(HKEY_LOCAL_MACHINE, kSettingsPath, setting::JpegQuality), Text("33"));
    EXPECT_FALSE(test::ReadRaw(HKEY_CURRENT_USER, kSettingsPath, setting::JpegQuality));
    EXPECT_EQ(Read(setting::ImageType, std::wstring()), SettingValue{std::wstring(L"bmp")});
}

TEST_F(StandardUserSettingsTest, AWriteNoKeyTakesIsReportedWithTheMachineKeysError) {
    test::ReadOnlyKeyGuard machine(HKEY_LOCAL_MACHINE, kSettingsPath);
    test::ReadOnlyKeyGuard user(HKEY_CURRENT_USER, kSettingsPath);
    ASSERT_TRUE(machine.applied() && user.applied());
    Status saved = Save(setting::JpegQuality, int32_t{50});
    ASSERT_FALSE(saved.ok());
    EXPECT_EQ(saved.error().number, 26001);
    EXPECT_NE(saved.error().description.find(L"-2147483646"), std::wstring::npos);
}

// Under Protected Mode the user's writable key is the broker's; HKEY_CURRENT_USER is read
// after it, and the machine's key last. An AppContainer tab keeps the same rules, also where
// IEIsProtectedModeProcess would not say so.
HKEY gBrokerKey = nullptr;
HRESULT WINAPI Yes(BOOL* result) { return *result = TRUE, S_OK; }
HRESULT WINAPI No(BOOL* result) { return *result = FALSE, S_OK; }
HRESULT WINAPI BrokerKey(HKEY* key) {
    return RegOpenKeyExW(gBrokerKey, nullptr, 0, KEY_ALL_ACCESS, key) == ERROR_SUCCESS
               ? S_OK
               : E_ACCESSDENIED;
}

TEST_F(StandardUserSettingsTest, UnderProtectedModeTheBrokersKeyIsWrittenAndReadFirst) {
    using Probe = HRESULT(WINAPI*)(BOOL*);
    const struct {
        const char* name;
        Probe protectedMode;
        Probe appContainer;
    } cases[] = {{"Protected Mode", &Yes, &No},
                 {"AppContainer", &No, &Yes},
                 {"AppContainer, no Protected Mode function", nullptr, &Yes}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        test::ScratchKey low;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, low.path().c_str(), 0, nullptr, 0,
                                  KEY_ALL_ACCESS, nullptr, &gBrokerKey, nullptr),
                  ERROR_SUCCESS);
        ProtectedModeFunctions functions;
        functions.IEIsProtectedModeProcess = c.protectedMode;
        functions.IsAppContainerProcess = c.appContainer;
        functions.IEGetWriteableHKCU = &BrokerKey;
        ProtectedModeApiOverride seam(functions);
        test::WriteRaw(HKEY_CURRENT_USER, kSettingsPath, setting::ImageType, REG_SZ,
                       Bytes({"gif\0", 4}));
        {
            test::ReadOnlyKeyGuard machine(HKEY_LOCAL_MACHINE, kSettingsPath);
            test::ReadOnlyKeyGuard user(HKEY_CURRENT_USER, kSettingsPath);  // low: no HKCU
            EXPECT_EQ(Read(setting::ImageType, std::wstring()), SettingValue{std::wstring(L"gif")});
            ASSERT_TRUE(Save(setting::ImageType, std::wstring(L"tif")).ok());
            EXPECT_EQ(test::ReadRaw(gBrokerKey, kSettingsPath, setting::ImageType), Text("tif"));
            EXPECT_EQ(Read(setting::ImageType, std::wstring()), SettingValue{std::wstring(L"tif")});
        }
        RegCloseKey(gBrokerKey);
    }
}

// Numbers are written with the user's decimal sign and read in either form, so a placement of
// a fraction of a twip survives a comma-decimal locale.
TEST_F(StandardUserSettingsTest, FractionsUseTheUsersDecimalSignAndReadInEitherForm) {
    test::DecimalSignGuard comma(L",");
    ASSERT_TRUE(Save(setting::MainLeft, 1447.5f).ok());
    EXPECT_EQ(test::ReadRaw(HKEY_LOCAL_MACHINE, kSettingsPath, setting::MainLeft), Text("1447,5"));
    const struct {
        const char* stored;
        float single;
        int32_t integer;
    } cases[] = {{"1447,5", 1447.5f, 1448},
                 {"1447.5", 1447.5f, 1448},
                 {"-0,25", -0.25f, 0},
                 {"85", 85.0f, 85}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored);
        test::WriteRaw(HKEY_LOCAL_MACHINE, kSettingsPath, setting::MainLeft, REG_SZ,
                       Bytes(std::string(c.stored) + std::string(1, '\0')));
        const SettingValue read = Read(setting::MainLeft, int32_t{1});
        ASSERT_TRUE(SettingToSingle(read).ok());
        EXPECT_FLOAT_EQ(*SettingToSingle(read), c.single);
        EXPECT_EQ(*SettingToInt32(read), c.integer);
    }
    EXPECT_EQ(SettingToSingle(SettingValue{std::wstring(L"1.447,5")}).error().number, 13);
}

}  // namespace
}  // namespace pagelens

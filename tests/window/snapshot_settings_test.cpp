#include "window/snapshot_settings.h"

#include <gtest/gtest.h>

#include "tests/window/window_fixture.h"

namespace pagelens::test {
namespace {

class SnapshotSettingsTest : public ::testing::Test {
protected:
    void SetUp() override { ClearSettings(); }
    void TearDown() override { ClearSettings(); }
};

TEST_F(SnapshotSettingsTest, NothingStoredGivesTheDefaults) {
    const SnapshotSettings settings = SnapshotSettings::Load();
    EXPECT_EQ(settings.placement.left, 1.0f);
    EXPECT_EQ(settings.placement.top, 1.0f);
    EXPECT_EQ(settings.placement.width, 10000.0f);
    EXPECT_EQ(settings.placement.height, 6500.0f);
    EXPECT_EQ(settings.address, kDefaultAddress);
    EXPECT_EQ(settings.jpegQuality, 85);
    EXPECT_EQ(settings.preset.width, 120);
    EXPECT_EQ(settings.preset.height, 90);
    EXPECT_EQ(settings.imageType, L"jpg");
}

TEST_F(SnapshotSettingsTest, EveryFieldStoredComesBackAsWrittenInTodaysTextForm) {
    SnapshotSettings settings;
    settings.placement = {1447.5f, 300, 12000, 7000};
    settings.address = L"http://intranet/report?id=7";
    settings.jpegQuality = 40;
    settings.preset = {640, 480};
    settings.imageType = L"png";
    for (auto field : {SnapshotSettings::Field::Placement, SnapshotSettings::Field::Address,
                       SnapshotSettings::Field::JpegQuality, SnapshotSettings::Field::Preset,
                       SnapshotSettings::Field::ImageType})
        ASSERT_TRUE(settings.Store(field).ok());

    EXPECT_EQ(StoredSetting(setting::MainLeft), L"1447.5");
    EXPECT_EQ(StoredSetting(setting::JpegQuality), L"40");
    EXPECT_EQ(StoredSetting(setting::PagelensWidth), L"640");

    const SnapshotSettings loaded = SnapshotSettings::Load();
    EXPECT_EQ(loaded.placement.left, 1447.5f);
    EXPECT_EQ(loaded.placement.top, 300.0f);
    EXPECT_EQ(loaded.placement.width, 12000.0f);
    EXPECT_EQ(loaded.placement.height, 7000.0f);
    EXPECT_EQ(loaded.address, settings.address);
    EXPECT_EQ(loaded.jpegQuality, 40);
    EXPECT_EQ(loaded.preset.width, 640);
    EXPECT_EQ(loaded.preset.height, 480);
    EXPECT_EQ(loaded.imageType, L"png");
}

TEST_F(SnapshotSettingsTest, OnlyTheNamedFieldIsWritten) {
    SnapshotSettings settings;
    settings.jpegQuality = 12;
    ASSERT_TRUE(settings.Store(SnapshotSettings::Field::JpegQuality).ok());
    EXPECT_EQ(StoredSetting(setting::JpegQuality), L"12");
    for (const wchar_t* other :
         {setting::MainLeft, setting::PagelensAddress, setting::ImageType, setting::PagelensWidth})
        EXPECT_FALSE(StoredSetting(other)) << other;
}

TEST_F(SnapshotSettingsTest, DamagedValuesReadAsTheirDefaultsButThePresetCommandSeesTheDamage) {
    StoreSetting(setting::MainWidth, std::wstring(L"wide"));
    StoreSetting(setting::JpegQuality, std::wstring(L"best"));
    StoreSetting(setting::PagelensWidth, std::wstring(L"x"));
    StoreSetting(setting::PagelensHeight, int32_t{-3});
    const SnapshotSettings loaded = SnapshotSettings::Load();
    EXPECT_EQ(loaded.placement.width, 10000.0f);
    EXPECT_EQ(loaded.jpegQuality, 85);
    EXPECT_EQ(loaded.preset.width, 120);
    EXPECT_EQ(loaded.preset.height, 90);
    EXPECT_FALSE(SnapshotSettings::StoredPreset().ok());

    StoreSetting(setting::PagelensWidth, int32_t{300});
    auto preset = SnapshotSettings::StoredPreset();
    ASSERT_TRUE(preset.ok());
    EXPECT_EQ(preset->width, 300);
    EXPECT_EQ(preset->height, -3);  // as stored: the command shows what the registry holds
}

}  // namespace
}  // namespace pagelens::test

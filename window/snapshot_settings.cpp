#include "window/snapshot_settings.h"

#include <utility>

#include "settings/settings.h"

namespace pagelens {
namespace {

float SingleSetting(const wchar_t* name, float fallback) {
    auto value = SettingToSingle(GetRegSetting(kAppName, kSettingsSection, name, fallback));
    return value.ok() ? *value : fallback;
}

int32_t IntegerSetting(const wchar_t* name, int32_t fallback) {
    return SettingToInt32(GetRegSetting(kAppName, kSettingsSection, name, fallback))
        .value_or(fallback);
}

std::wstring TextSetting(const wchar_t* name, const wchar_t* fallback) {
    return SettingToText(GetRegSetting(kAppName, kSettingsSection, name, std::wstring(fallback)));
}

Status Write(const wchar_t* name, const SettingValue& value) {
    return SaveRegSetting(kAppName, kSettingsSection, name, value);
}

}  // namespace

SnapshotSettings SnapshotSettings::Load() {
    SnapshotSettings settings;
    const Placement defaults;
    settings.placement = {SingleSetting(setting::MainLeft, defaults.left),
                          SingleSetting(setting::MainTop, defaults.top),
                          SingleSetting(setting::MainWidth, defaults.width),
                          SingleSetting(setting::MainHeight, defaults.height)};
    settings.address = TextSetting(setting::PagelensAddress, kDefaultAddress);
    settings.jpegQuality = IntegerSetting(setting::JpegQuality, 85);
    settings.preset = {IntegerSetting(setting::PagelensWidth, kDefaultPresetWidth),
                       IntegerSetting(setting::PagelensHeight, kDefaultPresetHeight)};
    if (settings.preset.width < 1) settings.preset.width = kDefaultPresetWidth;
    if (settings.preset.height < 1) settings.preset.height = kDefaultPresetHeight;
    settings.imageType = TextSetting(setting::ImageType, L"jpg");
    return settings;
}

Result<PresetSize> SnapshotSettings::StoredPreset() {
    auto width = SettingToInt32(
        GetRegSetting(kAppName, kSettingsSection, setting::PagelensWidth, kDefaultPresetWidth));
    if (!width.ok()) return width.error();
    auto height = SettingToInt32(
        GetRegSetting(kAppName, kSettingsSection, setting::PagelensHeight, kDefaultPresetHeight));
    if (!height.ok()) return height.error();
    return PresetSize{*width, *height};
}

Status SnapshotSettings::Store(Field field) const {
    switch (field) {
        case Field::Placement: {
            Status first;
            const std::pair<const wchar_t*, float> values[] = {
                {setting::MainLeft, placement.left},
                {setting::MainTop, placement.top},
                {setting::MainWidth, placement.width},
                {setting::MainHeight, placement.height},
            };
            // Every value is tried, whatever happened to the one before.
            for (const auto& [name, twips] : values)
                if (Status written = Write(name, twips); !written.ok() && first.ok())
                    first = written;
            return first;
        }
        case Field::Address:
            return Write(setting::PagelensAddress, address);
        case Field::JpegQuality:
            return Write(setting::JpegQuality, jpegQuality);
        case Field::Preset: {
            // Both are tried, as for the placement.
            Status width = Write(setting::PagelensWidth, preset.width);
            Status height = Write(setting::PagelensHeight, preset.height);
            return width.ok() ? height : width;
        }
        case Field::ImageType:
            return Write(setting::ImageType, imageType);
    }
    return {};
}

}  // namespace pagelens

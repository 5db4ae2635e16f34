#include "common/setting_value.h"

#include <gtest/gtest.h>

namespace pagelens {
namespace {

TEST(SettingValue, TextOfEachKind) {
    EXPECT_EQ(SettingToText(SettingValue{}), L"");
    EXPECT_EQ(SettingToText(SettingValue{int16_t{-3}}), L"-3");
    EXPECT_EQ(SettingToText(SettingValue{int32_t{85}}), L"85");
    EXPECT_EQ(SettingToText(SettingValue{1440.0f}), L"1440");
    EXPECT_EQ(SettingToText(SettingValue{1.5f}), L"1.5");
    EXPECT_EQ(SettingToText(SettingValue{std::wstring(L"jpg")}), L"jpg");
    EXPECT_EQ(SettingToText(SettingValue{ByteArray{'a', 'b'}}), L"ab");
}

TEST(SettingValue, ToInt32RoundsHalvesToEvenAndRejectsNonNumbers) {
    EXPECT_EQ(*SettingToInt32(SettingValue{std::wstring(L"120")}), 120);
    EXPECT_EQ(*SettingToInt32(SettingValue{2.5f}), 2);
    EXPECT_EQ(*SettingToInt32(SettingValue{}), 0);
    EXPECT_EQ(SettingToInt32(SettingValue{std::wstring(L"abc")}).error().number, 13);
    EXPECT_EQ(SettingToInt32(SettingValue{ByteArray{1}}).error().number, 13);
    EXPECT_EQ(SettingToInt32(SettingValue{1e10f}).error().number, 6);
}

TEST(SettingValue, ToSingleReadsDecimalText) {
    EXPECT_FLOAT_EQ(*SettingToSingle(SettingValue{std::wstring(L"10000")}), 10000.0f);
    EXPECT_FLOAT_EQ(*SettingToSingle(SettingValue{std::wstring(L" 1.25 ")}), 1.25f);
    EXPECT_EQ(SettingToSingle(SettingValue{std::wstring(L"wide")}).error().number, 13);
}

}  // namespace
}  // namespace pagelens

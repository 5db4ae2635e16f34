#include "common/number_text.h"

#include <gtest/gtest.h>

namespace pagelens {
namespace {

TEST(LeadingNumber, ReadsTheLeadingRunAndIgnoresTheRest) {
    struct Case {
        const wchar_t* text;
        int32_t expected;
    };
    const Case cases[] = {
        {L"800px", 800},  {L"abc", 0},     {L"640.5", 640}, {L"641.5", 642},     {L"", 0},
        {L" 1 2 3", 123}, {L"\t7\n5", 75}, {L"-12x", -12},  {L"1e3", 1000},      {L"2.5E1", 25},
        {L"&H10", 16},    {L"&O17", 15},   {L"&HFFFF", -1}, {L"&H10000", 65536}, {L"1.2.3", 1},
        {L".5", 0},       {L"1e", 1},      {L"+8", 8},      {L"12-3", 12},
    };
    for (const auto& c : cases) {
        auto result = LeadingNumber(c.text);
        ASSERT_TRUE(result.ok()) << testing::PrintToString(std::wstring(c.text));
        EXPECT_EQ(*result, c.expected) << testing::PrintToString(std::wstring(c.text));
    }
}

TEST(LeadingNumber, BeyondThirtyTwoBitsIsAnOverflow) {
    EXPECT_EQ(LeadingNumber(L"3000000000").error().number, 6);
    EXPECT_EQ(LeadingNumber(L"&H1FFFFFFFF").error().number, 6);
    EXPECT_EQ(*LeadingNumber(L"2147483647"), 2147483647);
}

TEST(WholeNumber, TheWholeTextMustBeANumber) {
    EXPECT_EQ(*WholeNumber(L" 1024 "), 1024);
    EXPECT_EQ(*WholeNumber(L"800"), 800);
    EXPECT_EQ(*WholeNumber(L"-5"), -5);
    EXPECT_EQ(*WholeNumber(L"2.5"), 2);
    EXPECT_EQ(*WholeNumber(L"3.5"), 4);
    EXPECT_EQ(*WholeNumber(L"&H20"), 32);
    for (const wchar_t* bad : {L"800px", L"abc", L"", L"   ", L"1 2"})
        EXPECT_EQ(WholeNumber(bad).error().number, 13) << testing::PrintToString(std::wstring(bad));
    EXPECT_EQ(WholeNumber(L"99999999999").error().number, 6);
}

TEST(DecimalText, HasNoExponentOrTrailingZeros) {
    EXPECT_EQ(DecimalText(1440.0), L"1440");
    EXPECT_EQ(DecimalText(2.5), L"2.5");
    EXPECT_EQ(DecimalText(int32_t{-7}), L"-7");
}

}  // namespace
}  // namespace pagelens

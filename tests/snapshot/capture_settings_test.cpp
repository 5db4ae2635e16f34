// The nine settings: each lands where it belongs, values out of range are brought in, and an
// index outside 1..9 is an error.
#include "components/snapshot/core/capture_settings.h"

#include <gtest/gtest.h>

namespace pagelens::capture {
namespace {

using std::chrono::milliseconds;

TEST(CaptureSettings, WindowColumnsGiveTheirMeanings) {
    CaptureSettings browser;
    for (auto [index, value] :
         {std::pair{1, 40000}, {2, 1}, {3, 100}, {4, 1}, {5, 1}, {6, 1}, {7, 1}, {8, 1}, {9, 1000}})
        ASSERT_TRUE(browser.Set(index, value).ok());
    EXPECT_EQ(browser.timeLimit, milliseconds(40000));
    EXPECT_TRUE(browser.fullPage && browser.scrollForLazyContent && browser.screenMedia &&
                browser.scripts && browser.viewportFromBrowser && browser.cutTallPages);
    EXPECT_EQ(browser.jpegQuality, 100);
    EXPECT_EQ(browser.settleLimit, milliseconds(1000));

    CaptureSettings address;
    for (auto [index, value] :
         {std::pair{1, 180000}, {2, 1}, {3, 100}, {4, 1}, {5, 1}, {6, 1}, {7, 0}, {9, 2000}})
        ASSERT_TRUE(address.Set(index, value).ok());
    EXPECT_EQ(address.timeLimit, milliseconds(180000));
    EXPECT_FALSE(address.viewportFromBrowser);
    EXPECT_TRUE(address.cutTallPages);  // not written: the default
    EXPECT_EQ(address.settleLimit, milliseconds(2000));
}

TEST(CaptureSettings, ValuesAreBroughtIntoRange) {
    const struct {
        int index;
        int32_t value;
        milliseconds timeLimit;
        int quality;
        milliseconds settle;
    } cases[] = {
        {1, 0, milliseconds(60000), 90, milliseconds(1000)},  // no limit is no option
        {1, -5, milliseconds(60000), 90, milliseconds(1000)},
        {1, 2000000000, milliseconds(600000), 90, milliseconds(1000)},
        {3, 150, milliseconds(60000), 100, milliseconds(1000)},
        {3, -3, milliseconds(60000), 0, milliseconds(1000)},
        {9, -1, milliseconds(60000), 90, milliseconds(0)},
        {9, 999999, milliseconds(60000), 90, milliseconds(60000)},
    };
    for (const auto& c : cases) {
        CaptureSettings settings;
        ASSERT_TRUE(settings.Set(c.index, c.value).ok());
        EXPECT_EQ(settings.timeLimit, c.timeLimit) << c.index << " = " << c.value;
        EXPECT_EQ(settings.jpegQuality, c.quality) << c.index << " = " << c.value;
        EXPECT_EQ(settings.settleLimit, c.settle) << c.index << " = " << c.value;
    }
    CaptureSettings flags;
    ASSERT_TRUE(flags.Set(2, 7).ok());
    EXPECT_TRUE(flags.fullPage);
}

TEST(CaptureSettings, IndexOutsideOneToNineIsAnError) {
    CaptureSettings settings;
    for (int index : {0, 10, -1}) {
        const Status set = settings.Set(index, 1);
        ASSERT_FALSE(set.ok());
        EXPECT_EQ(set.error().number, 9);
    }
}

}  // namespace
}  // namespace pagelens::capture

// From a measured page size to the image's size and its bands.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "components/snapshot/core/capture_plan.h"

namespace pagelens::capture {
namespace {

TEST(BandPlan, SizesAndBands) {
    const struct {
        double width, height;
        int imageWidth, imageHeight, bandCount, firstBandRows, lastBandRows;
        bool cut;
    } cases[] = {
        {1280, 800, 1280, 800, 1, 800, 800, false},
        {1280, 4096, 1280, 4096, 1, 4096, 4096, false},
        {1280, 4097, 1280, 4097, 2, 4096, 1, false},
        {1280, 24000, 1280, 24000, 6, 4096, 24000 - 5 * 4096, false},
        {1280.4, 2999.2, 1281, 3000, 1, 3000, 3000, false},  // fractions round up
        {1280, 36000, 1280, 32000, 8, 4096, 32000 - 7 * 4096, true},
        {640, 36000, 640, 36000, 9, 4096, 36000 - 8 * 4096, false},  // the limit is in pixels
        {8192, 6000, 8192, 5000, 8, 640, 5000 - 7 * 640, true},      // wide: shorter bands
        {100000, 100, 65000, 100, 2, 80, 20, false},                 // cut to the widest
        {0, 0, 1, 1, 1, 1, 1, false},
        {std::nan(""), 500, 1, 500, 1, 500, 500, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << " x " << c.height);
        const CapturePlan plan = PlanCapture(c.width, c.height);
        EXPECT_EQ(plan.width, c.imageWidth);
        EXPECT_EQ(plan.height, c.imageHeight);
        EXPECT_EQ(plan.heightCut, c.cut);
        ASSERT_EQ(static_cast<int>(plan.bands.size()), c.bandCount);
        EXPECT_EQ(plan.bands.front().height, c.firstBandRows);
        EXPECT_EQ(plan.bands.back().height, c.lastBandRows);
        int next = 0;
        for (const Band& band : plan.bands) {
            EXPECT_EQ(band.top, next);
            EXPECT_LE(band.height, kLargestBandRows);
            next += band.height;
        }
        EXPECT_EQ(next, plan.height);
    }
}

TEST(BandPlan, EnormousPageHeightIsCutNotOverflowed) {
    const CapturePlan plan = PlanCapture(1280, 1e12);
    EXPECT_EQ(plan.height, 32000);
    EXPECT_TRUE(plan.heightCut);
}

}  // namespace
}  // namespace pagelens::capture

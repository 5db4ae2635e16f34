#include "components/snapshot/core/capture_plan.h"

#include <algorithm>
#include <cmath>

namespace pagelens::capture {
namespace {

int WholePixels(double cssPixels, int largest) {
    if (!(cssPixels >= 1)) return 1;  // also NaN
    return static_cast<int>(std::min<double>(std::ceil(cssPixels - 1e-6), largest));
}

}  // namespace

int LargestHeightFor(int width) {
    return static_cast<int>(
        std::min<int64_t>(kLargestSide, kLargestImagePixels / std::max(width, 1)));
}

CapturePlan PlanCapture(double cssWidth, double cssHeight) {
    CapturePlan plan;
    plan.width = WholePixels(cssWidth, kLargestSide);
    plan.pageHeight = WholePixels(cssHeight, INT32_MAX);
    plan.height = std::min(plan.pageHeight, LargestHeightFor(plan.width));
    plan.heightCut = plan.height < plan.pageHeight;

    const int bandRows =
        static_cast<int>(std::clamp<int64_t>(kBandPixels / plan.width, 1, kLargestBandRows));
    for (int top = 0; top < plan.height; top += bandRows)
        plan.bands.push_back({top, std::min(bandRows, plan.height - top)});
    return plan;
}

}  // namespace pagelens::capture

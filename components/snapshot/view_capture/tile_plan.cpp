#include "components/snapshot/view_capture/tile_plan.h"

#include <algorithm>

namespace pagelens::capture {

std::vector<TileSpan> PlanTileSpans(int imageExtent, int viewExtent) {
    imageExtent = std::max(imageExtent, 1);
    viewExtent = std::max(viewExtent, 1);
    std::vector<TileSpan> spans;
    for (int start = 0; start < imageExtent; start += viewExtent) {
        const int end = std::min(start + viewExtent, imageExtent);
        spans.push_back({std::max(0, std::min(start, imageExtent - viewExtent)), start, end});
    }
    return spans;
}

TilePlan PlanTiles(int imageWidth, int imageHeight, int viewWidth, int viewHeight) {
    return {PlanTileSpans(imageHeight, viewHeight), PlanTileSpans(imageWidth, viewWidth)};
}

}  // namespace pagelens::capture

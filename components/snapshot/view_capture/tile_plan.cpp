#include "components/snapshot/view_capture/tile_plan.h"

#include <algorithm>

namespace pagelens::capture {

std::vector<TileSpan> PlanTileSpans(int imageExtent, int viewExtent, int overlap) {
    imageExtent = std::max(imageExtent, 1);
    viewExtent = std::max(viewExtent, 1);
    overlap = std::clamp(overlap, 0, viewExtent - 1);  // every tile takes at least one new pixel
    std::vector<TileSpan> spans{{0, 0, std::min(viewExtent, imageExtent)}};
    while (spans.back().copyEnd < imageExtent) {
        const int start = std::min(spans.back().copyEnd - overlap, imageExtent - viewExtent);
        spans.push_back({start, spans.back().copyEnd, std::min(start + viewExtent, imageExtent)});
    }
    return spans;
}

TilePlan PlanTiles(int imageWidth, int imageHeight, int viewWidth, int viewHeight, int overlap) {
    return {PlanTileSpans(imageHeight, viewHeight, overlap),
            PlanTileSpans(imageWidth, viewWidth, overlap)};
}

}  // namespace pagelens::capture

// Where the view is scrolled for each tile of a page image and which of its pixels are kept.
// Tiles are the view's size; along each axis they follow one another, and the last one is
// aligned to the image's end (a view cannot scroll past the page), so it repeats part of the one
// before: only the rows and columns not yet taken are copied from it. Pure logic, in device
// pixels of the page.
#pragma once
#include <vector>

namespace pagelens::capture {

struct TileSpan {
    int scrollTo = 0;   // where the view starts
    int copyStart = 0;  // the part of the image this tile fills
    int copyEnd = 0;
};

// The spans that cover `imageExtent` with a view of `viewExtent` (both at least 1).
std::vector<TileSpan> PlanTileSpans(int imageExtent, int viewExtent);

struct TilePlan {
    std::vector<TileSpan> rows;
    std::vector<TileSpan> columns;

    int count() const { return static_cast<int>(rows.size() * columns.size()); }
    // Tiles go across each row of tiles, rows from the top.
    const TileSpan& rowOf(int tile) const { return rows[tile / columns.size()]; }
    const TileSpan& columnOf(int tile) const { return columns[tile % columns.size()]; }
    bool endsRow(int tile) const { return (tile + 1) % columns.size() == 0; }
};

TilePlan PlanTiles(int imageWidth, int imageHeight, int viewWidth, int viewHeight);

}  // namespace pagelens::capture

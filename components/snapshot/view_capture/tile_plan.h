// Where the view is scrolled for each tile of a page image and which of its pixels are kept.
// Along each axis a tile starts `overlap` pixels before the end of the one before, so that the
// two share those rows (or columns) and the second can be checked against the first; the last
// one is aligned to the image's end (a view cannot scroll past the page) and may share more.
// Each tile copies only what no tile before it took. Pure logic, in device pixels of the page.
#pragma once
#include <vector>

namespace pagelens::capture {

struct TileSpan {
    int scrollTo = 0;   // where the view starts
    int copyStart = 0;  // the part of the image this tile fills
    int copyEnd = 0;
};

// The spans that cover `imageExtent` with a view of `viewExtent` (both at least 1), each
// sharing `overlap` pixels with the one before where the image is longer than the view.
std::vector<TileSpan> PlanTileSpans(int imageExtent, int viewExtent, int overlap = 0);

struct TilePlan {
    std::vector<TileSpan> rows;
    std::vector<TileSpan> columns;

    int count() const { return static_cast<int>(rows.size() * columns.size()); }
    // Tiles go across each row of tiles, rows from the top.
    const TileSpan& rowOf(int tile) const { return rows[tile / columns.size()]; }
    const TileSpan& columnOf(int tile) const { return columns[tile % columns.size()]; }
    bool endsRow(int tile) const { return (tile + 1) % columns.size() == 0; }
};

TilePlan PlanTiles(int imageWidth, int imageHeight, int viewWidth, int viewHeight, int overlap = 0);

}  // namespace pagelens::capture

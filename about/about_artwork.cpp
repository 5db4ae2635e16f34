#include "about/about_artwork.h"

#include <algorithm>

#include "common/unique_handle.h"

namespace pagelens {
namespace {

constexpr COLORREF kPageColor = RGB(255, 255, 255);
constexpr COLORREF kPageEdge = RGB(96, 104, 120);
constexpr COLORREF kFoldColor = RGB(214, 220, 230);
constexpr COLORREF kTextLine = RGB(150, 160, 176);
constexpr COLORREF kGlassColor = RGB(190, 222, 250);
constexpr COLORREF kRimColor = RGB(30, 80, 160);
constexpr COLORREF kHandleColor = RGB(70, 50, 40);

// Coordinates below are on a 64-unit grid, scaled into the box.
struct Grid {
    int left, top, size;
    int x(int unit) const { return left + unit * size / 64; }
    int y(int unit) const { return top + unit * size / 64; }
    int len(int unit) const { return std::max(1, unit * size / 64); }
};

void PaintPage(HDC dc, const Grid& g) {
    UniqueHpen edge(CreatePen(PS_SOLID, g.len(2), kPageEdge));
    UniqueHbrush paper(CreateSolidBrush(kPageColor));
    SelectGuard selectPen(dc, edge.get());
    SelectGuard selectBrush(dc, paper.get());
    const POINT outline[] = {{g.x(8), g.y(4)},
                             {g.x(38), g.y(4)},
                             {g.x(50), g.y(16)},
                             {g.x(50), g.y(58)},
                             {g.x(8), g.y(58)}};
    Polygon(dc, outline, ARRAYSIZE(outline));

    UniqueHbrush fold(CreateSolidBrush(kFoldColor));
    SelectGuard selectFold(dc, fold.get());
    const POINT corner[] = {{g.x(38), g.y(4)}, {g.x(38), g.y(16)}, {g.x(50), g.y(16)}};
    Polygon(dc, corner, ARRAYSIZE(corner));

    UniqueHpen text(CreatePen(PS_SOLID, g.len(2), kTextLine));
    SelectGuard selectText(dc, text.get());
    for (int row = 0; row < 8; ++row) {
        const int y = 14 + row * 5;
        const int right = row == 0 ? 32 : (row % 3 == 2 ? 36 : 44);
        MoveToEx(dc, g.x(14), g.y(y), nullptr);
        LineTo(dc, g.x(right), g.y(y));
    }
}

void PaintLens(HDC dc, const Grid& g) {
    UniqueHpen handle(CreatePen(PS_SOLID, g.len(7), kHandleColor));
    {
        SelectGuard selectHandle(dc, handle.get());
        MoveToEx(dc, g.x(48), g.y(48), nullptr);
        LineTo(dc, g.x(60), g.y(60));
    }
    UniqueHpen rim(CreatePen(PS_SOLID, g.len(4), kRimColor));
    UniqueHbrush glass(CreateSolidBrush(kGlassColor));
    SelectGuard selectRim(dc, rim.get());
    SelectGuard selectGlass(dc, glass.get());
    Ellipse(dc, g.x(22), g.y(22), g.x(52), g.y(52));

    // A highlight on the glass so that it reads as a lens, not a disc.
    UniqueHpen shine(CreatePen(PS_SOLID, g.len(2), kPageColor));
    SelectGuard selectShine(dc, shine.get());
    Arc(dc, g.x(27), g.y(27), g.x(47), g.y(47), g.x(30), g.y(27), g.x(27), g.y(34));
}

}  // namespace

void PaintLensOverPage(HDC dc, const RECT& box) {
    const int size = std::min(box.right - box.left, box.bottom - box.top);
    if (size <= 0) return;
    const Grid grid{box.left + (box.right - box.left - size) / 2,
                    box.top + (box.bottom - box.top - size) / 2, size};
    PaintPage(dc, grid);
    PaintLens(dc, grid);
}

}  // namespace pagelens

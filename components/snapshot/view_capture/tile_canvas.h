// The bitmap that the view is drawn into for each tile: a 32-bit top-down DIB section of the
// view window's size, selected into a memory device context, drawn by the document or painted
// by the view's window, and the copy of its rows into the page image. One per capture; the only
// pixels besides the page image.
#pragma once
#include <windows.h>

#include <cstdint>

#include "common/run_error.h"
#include "common/unique_handle.h"
#include "components/snapshot/view_capture/page_view.h"
#include "components/snapshot/view_capture/tile_checks.h"
#include "imaging/image.h"

namespace pagelens::capture {

class TileCanvas {
public:
    static Result<TileCanvas> Create(int width, int height);
    TileCanvas(TileCanvas&&) = default;
    ~TileCanvas();

    // White first, so that what the document leaves undrawn is the page's usual white.
    HRESULT DrawView(const PageView& view);
    // The view's window paints its client area as the screen shows it (PrintWindow). The canvas
    // is filled with kUnpainted first, so that a window that paints nothing can be told.
    HRESULT PaintWindow(HWND window);
    static constexpr uint32_t kUnpainted = 0x00FE01FD;  // a colour no page is likely to fill
    TilePixels pixels() const { return {bits_, width_, height_}; }
    // Copies `width` x `height` pixels from (sourceX, sourceY) of the canvas to (x, y) of the
    // image, opaque; what lies outside the canvas becomes white.
    void CopyTo(Image& image, int x, int y, int width, int height, int sourceX, int sourceY) const;

private:
    TileCanvas() = default;

    int width_ = 0;
    int height_ = 0;
    UniqueHdc dc_;
    UniqueHbitmap bitmap_;
    HGDIOBJ previous_ = nullptr;
    uint32_t* bits_ = nullptr;
};

}  // namespace pagelens::capture

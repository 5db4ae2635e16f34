// The bitmap that the view is drawn into for each tile: a 32-bit top-down DIB section of the
// view window's size, selected into a memory device context, and the copy of its rows into the
// page image. One per capture; the only pixels besides the page image.
#pragma once
#include <windows.h>

#include <cstdint>

#include "common/run_error.h"
#include "common/unique_handle.h"
#include "components/snapshot/view_capture/page_view.h"
#include "imaging/image.h"

namespace pagelens::capture {

class TileCanvas {
public:
    static Result<TileCanvas> Create(int width, int height);
    TileCanvas(TileCanvas&&) = default;
    ~TileCanvas();

    // White first, so that what the document leaves undrawn is the page's usual white.
    HRESULT DrawView(const PageView& view);
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
    const uint32_t* bits_ = nullptr;
};

}  // namespace pagelens::capture

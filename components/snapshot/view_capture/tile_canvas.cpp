#include "components/snapshot/view_capture/tile_canvas.h"

#include <algorithm>

#include "components/snapshot/core/capture_failure.h"

namespace pagelens::capture {
namespace {

// PrintWindow's PW_RENDERFULLCONTENT (Windows 8.1 on), which the headers give only to programs
// that require that version: the window as composed for the screen, GPU content included.
constexpr UINT kRenderFullContent = 0x00000002;

}  // namespace

Result<TileCanvas> TileCanvas::Create(int width, int height) {
    TileCanvas canvas;
    canvas.width_ = width;
    canvas.height_ = height;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down: row 0 first, as in the page image
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    canvas.bitmap_.reset(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    canvas.dc_.reset(CreateCompatibleDC(nullptr));
    if (!canvas.bitmap_ || !canvas.dc_ || !bits)
        return Failed(L"There is not enough memory to draw a " + std::to_wstring(width) + L" x " +
                      std::to_wstring(height) + L" view");
    canvas.bits_ = static_cast<uint32_t*>(bits);
    canvas.previous_ = SelectObject(canvas.dc_.get(), canvas.bitmap_.get());
    return canvas;
}

TileCanvas::~TileCanvas() {
    if (dc_ && previous_) SelectObject(dc_.get(), previous_);
}

HRESULT TileCanvas::DrawView(const PageView& view) {
    PatBlt(dc_.get(), 0, 0, width_, height_, WHITENESS);
    const HRESULT hr = view.Draw(dc_.get(), width_, height_);
    GdiFlush();  // the bits are read directly
    return hr;
}

HRESULT TileCanvas::PaintWindow(HWND window) {
    GdiFlush();
    std::fill(bits_, bits_ + static_cast<size_t>(width_) * height_, kUnpainted);
    const BOOL painted = PrintWindow(window, dc_.get(), PW_CLIENTONLY | kRenderFullContent);
    const DWORD error = GetLastError();
    GdiFlush();
    if (painted) return S_OK;
    return error ? HRESULT_FROM_WIN32(error) : E_FAIL;
}

void TileCanvas::CopyTo(Image& image, int x, int y, int width, int height, int sourceX,
                        int sourceY) const {
    for (int row = 0; row < height; ++row) {
        uint32_t* target = image.row(y + row) + x;
        const int from = sourceY + row;
        if (from < 0 || from >= height_) {
            std::fill(target, target + width, 0xFFFFFFFFu);
            continue;
        }
        const uint32_t* source = bits_ + static_cast<size_t>(from) * width_;
        for (int column = 0; column < width; ++column) {
            const int at = sourceX + column;
            target[column] = at >= 0 && at < width_ ? source[at] | 0xFF000000u : 0xFFFFFFFFu;
        }
    }
}

}  // namespace pagelens::capture

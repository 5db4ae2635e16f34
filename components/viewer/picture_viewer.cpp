#include "components/viewer/picture_viewer.h"

#include <windowsx.h>

#include <algorithm>
#include <cmath>

#include "common/module.h"
#include "common/routed_window_proc.h"
#include "common/unique_handle.h"
#include "common/window_class.h"
#include "components/viewer/image_ops.h"
#include "imaging/image_files.h"

namespace pagelens {
namespace {

constexpr wchar_t kViewerClass[] = L"PictureViewerPro";
constexpr COLORREF kBackground = RGB(128, 128, 128);
constexpr int kWheelStep = 60;

bool RegisterViewerClass(WNDPROC proc) {
    return RegisterWindowClass(
               {.name = kViewerClass, .procedure = proc, .style = CS_HREDRAW | CS_VREDRAW})
        .ok();
}

int Scaled(int size, double zoom) { return static_cast<int>(std::lround(size * zoom)); }

}  // namespace

PictureViewer::~PictureViewer() {
    if (hwnd_) DestroyWindow(hwnd_);
}

bool PictureViewer::Create(HWND parent, int id) {
    if (!RegisterViewerClass(&RoutedWindowProc<PictureViewer>)) return false;
    hwnd_ = CreateWindowExW(WS_EX_CLIENTEDGE, kViewerClass, L"",
                            WS_CHILD | WS_VISIBLE | WS_HSCROLL | WS_VSCROLL | WS_CLIPSIBLINGS, 0, 0,
                            0, 0, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                            ThisModule(), this);
    return hwnd_ != nullptr;
}

LRESULT PictureViewer::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT: {
            PaintScope paint(hwnd_);
            PaintContent(paint.dc(), paint.area());
            return 0;
        }
        case WM_PRINTCLIENT: {
            RECT client;
            GetClientRect(hwnd_, &client);
            PaintContent(reinterpret_cast<HDC>(wParam), client);
            return 0;
        }
        case WM_ERASEBKGND:
            return 1;
        case WM_SIZE:
            UpdateScrollBars();
            return 0;
        case WM_HSCROLL:
            OnScroll(SB_HORZ, LOWORD(wParam));
            return 0;
        case WM_VSCROLL:
            OnScroll(SB_VERT, LOWORD(wParam));
            return 0;
        case WM_MOUSEWHEEL:
            ScrollTo(scrollX_,
                     scrollY_ - GET_WHEEL_DELTA_WPARAM(wParam) * kWheelStep / WHEEL_DELTA);
            return 0;
        case WM_LBUTTONDOWN:
            SetFocus(hwnd_);
            return 0;
    }
    return DefWindowProcW(hwnd_, message, wParam, lParam);
}

// Draws the part of the scaled image that falls into `area`, straight from the image's rows.
void PictureViewer::PaintContent(HDC dc, const RECT& area) {
    UniqueHbrush background(CreateSolidBrush(kBackground));
    FillRect(dc, &area, background.get());
    if (image_.empty()) return;

    const int zoomedWidth = ZoomedWidth(), zoomedHeight = ZoomedHeight();
    RECT imageRect{-scrollX_, -scrollY_, zoomedWidth - scrollX_, zoomedHeight - scrollY_};
    RECT visible;
    if (!IntersectRect(&visible, &imageRect, &area)) return;

    // Source rows and columns that cover the visible destination, one pixel of margin each side.
    const double scaleX = double(image_.width()) / zoomedWidth;
    const double scaleY = double(image_.height()) / zoomedHeight;
    int srcLeft =
        std::clamp(int(std::floor((visible.left + scrollX_) * scaleX)), 0, image_.width() - 1);
    int srcTop =
        std::clamp(int(std::floor((visible.top + scrollY_) * scaleY)), 0, image_.height() - 1);
    int srcRight = std::clamp(int(std::ceil((visible.right + scrollX_) * scaleX)), srcLeft + 1,
                              image_.width());
    int srcBottom = std::clamp(int(std::ceil((visible.bottom + scrollY_) * scaleY)), srcTop + 1,
                               image_.height());
    // Destination of exactly that source block, so the scale stays uniform.
    int dstLeft = static_cast<int>(std::lround(srcLeft / scaleX)) - scrollX_;
    int dstTop = static_cast<int>(std::lround(srcTop / scaleY)) - scrollY_;
    int dstRight = static_cast<int>(std::lround(srcRight / scaleX)) - scrollX_;
    int dstBottom = static_cast<int>(std::lround(srcBottom / scaleY)) - scrollY_;

    // A band header that starts at the first visible row sidesteps the orientation rules of
    // source offsets in top-down DIBs.
    const int bandRows = srcBottom - srcTop;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = image_.width();
    info.bmiHeader.biHeight = -bandRows;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    const int previousMode = SetStretchBltMode(dc, zoom_ < 1.0 ? HALFTONE : COLORONCOLOR);
    SetBrushOrgEx(dc, 0, 0, nullptr);
    StretchDIBits(dc, dstLeft, dstTop, dstRight - dstLeft, dstBottom - dstTop, srcLeft, 0,
                  srcRight - srcLeft, bandRows, image_.row(srcTop), &info, DIB_RGB_COLORS, SRCCOPY);
    SetStretchBltMode(dc, previousMode);
}

void PictureViewer::UpdateScrollBars() {
    if (!hwnd_) return;
    RECT client;
    GetClientRect(hwnd_, &client);
    const int pageWidth = client.right, pageHeight = client.bottom;
    const int contentWidth = image_.empty() ? 0 : ZoomedWidth();
    const int contentHeight = image_.empty() ? 0 : ZoomedHeight();
    scrollX_ = std::clamp(scrollX_, 0, std::max(0, contentWidth - pageWidth));
    scrollY_ = std::clamp(scrollY_, 0, std::max(0, contentHeight - pageHeight));
    SCROLLINFO si{sizeof si, SIF_RANGE | SIF_PAGE | SIF_POS};
    si.nMax = std::max(0, contentWidth - 1);
    si.nPage = static_cast<UINT>(std::max(0, pageWidth));
    si.nPos = scrollX_;
    SetScrollInfo(hwnd_, SB_HORZ, &si, TRUE);
    si.nMax = std::max(0, contentHeight - 1);
    si.nPage = static_cast<UINT>(std::max(0, pageHeight));
    si.nPos = scrollY_;
    SetScrollInfo(hwnd_, SB_VERT, &si, TRUE);
}

void PictureViewer::ScrollTo(int x, int y) {
    const int oldX = scrollX_, oldY = scrollY_;
    scrollX_ = x;
    scrollY_ = y;
    UpdateScrollBars();
    if (scrollX_ != oldX || scrollY_ != oldY) InvalidateRect(hwnd_, nullptr, FALSE);
}

void PictureViewer::OnScroll(int bar, int request) {
    SCROLLINFO si{sizeof si, SIF_ALL};
    GetScrollInfo(hwnd_, bar, &si);
    int pos = si.nPos;
    const int line = 40;
    switch (request) {
        case SB_LINEUP:
            pos -= line;
            break;
        case SB_LINEDOWN:
            pos += line;
            break;
        case SB_PAGEUP:
            pos -= static_cast<int>(si.nPage);
            break;
        case SB_PAGEDOWN:
            pos += static_cast<int>(si.nPage);
            break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION:
            pos = si.nTrackPos;
            break;
        case SB_TOP:
            pos = 0;
            break;
        case SB_BOTTOM:
            pos = si.nMax;
            break;
        default:
            return;
    }
    if (bar == SB_HORZ)
        ScrollTo(pos, scrollY_);
    else
        ScrollTo(scrollX_, pos);
}

void PictureViewer::Clear() {
    image_ = Image();
    scrollX_ = scrollY_ = 0;
    Redraw();
}

Status PictureViewer::LoadImage(const std::wstring& path) {
    auto loaded = LoadImageFile(path);
    if (!loaded.ok()) return loaded.error();
    image_ = std::move(loaded).value();
    scrollX_ = scrollY_ = 0;
    Redraw();
    return {};
}

void PictureViewer::Zoom(double scale) {
    if (scale > 0 && std::isfinite(scale)) zoom_ = scale;
}

void PictureViewer::Redraw() {
    if (!hwnd_) return;
    UpdateScrollBars();
    InvalidateRect(hwnd_, nullptr, FALSE);
    UpdateWindow(hwnd_);
}

int32_t PictureViewer::ZoomedWidth() const { return Scaled(image_.width(), zoom_); }
int32_t PictureViewer::ZoomedHeight() const { return Scaled(image_.height(), zoom_); }

Status PictureViewer::RequireImage() const {
    if (image_.empty()) return RunError{91, L"PictureViewerPro", L"No image is loaded"};
    return {};
}

Status PictureViewer::ConvertToBlackAndWhite() {
    PAGELENS_RETURN_IF_ERROR(RequireImage());
    pagelens::ConvertToBlackAndWhite(image_);
    Redraw();
    return {};
}

Status PictureViewer::ConvertToGray() {
    PAGELENS_RETURN_IF_ERROR(RequireImage());
    pagelens::ConvertToGray(image_);
    Redraw();
    return {};
}

Status PictureViewer::ResizeImage(int32_t width, int32_t height) {
    PAGELENS_RETURN_IF_ERROR(RequireImage());
    if (width < 1 || height < 1) return {};
    auto resized = pagelens::ResizeImage(image_, width, height);
    if (!resized.ok()) return resized.error();
    image_ = std::move(resized).value();
    Redraw();
    return {};
}

Status PictureViewer::SaveWith(ImageWriter writer, const std::wstring& path) const {
    PAGELENS_RETURN_IF_ERROR(RequireImage());
    return writer(image_, path);
}

Status PictureViewer::SaveAsBmp(const std::wstring& path) const {
    return SaveWith(SaveAsBmpFile, path);
}
Status PictureViewer::SaveAsGif(const std::wstring& path) const {
    return SaveWith(SaveAsGifFile, path);
}
Status PictureViewer::SaveAsPng(const std::wstring& path) const {
    return SaveWith(SaveAsPngFile, path);
}
Status PictureViewer::SaveAsTiff(const std::wstring& path) const {
    return SaveWith(SaveAsTiffFile, path);
}
Status PictureViewer::SaveAsEmf(const std::wstring& path) const {
    return SaveWith(SaveAsEmfFile, path);
}
Status PictureViewer::SaveAsWmf(const std::wstring& path) const {
    return SaveWith(SaveAsWmfFile, path);
}
Status PictureViewer::SaveAsPdf(const std::wstring& path) const {
    return SaveWith(SaveAsPdfFile, path);
}

Status PictureViewer::SaveAsJpeg(const std::wstring& path) const {
    PAGELENS_RETURN_IF_ERROR(RequireImage());
    return SaveAsJpegFile(image_, path, std::clamp(jpegQuality_, 0, 100));
}

}  // namespace pagelens

// PictureViewer: the picture viewer control. A child window that shows one page image at a
// display scale with scroll bars, transforms it and saves it. It draws only the visible part of
// the image, so zooming a tall page never makes a scaled copy of it.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

#include "common/run_error.h"
#include "imaging/gdiplus_session.h"
#include "imaging/image.h"

namespace pagelens {

class PictureViewer {
public:
    PictureViewer() = default;
    PictureViewer(const PictureViewer&) = delete;
    PictureViewer& operator=(const PictureViewer&) = delete;
    ~PictureViewer();

    bool Create(HWND parent, int id);
    HWND hwnd() const { return hwnd_; }

    void Clear();
    Status LoadImage(const std::wstring& path);
    int32_t ImageWidth() const { return image_.width(); }
    int32_t ImageHeight() const { return image_.height(); }
    void Zoom(double scale);
    double Zoom() const { return zoom_; }
    void Redraw();
    int32_t ZoomedWidth() const;
    int32_t ZoomedHeight() const;

    Status ConvertToBlackAndWhite();
    Status ConvertToGray();
    // A width or height below 1 leaves the image as it is.
    Status ResizeImage(int32_t width, int32_t height);

    void JpegSaveQuality(int32_t quality) { jpegQuality_ = quality; }
    int32_t JpegSaveQuality() const { return jpegQuality_; }
    void TiffOption(int32_t option) { tiffOption_ = option; }

    // Each writes the current image exactly at `path`.
    Status SaveAsBmp(const std::wstring& path) const;
    Status SaveAsGif(const std::wstring& path) const;
    Status SaveAsJpeg(const std::wstring& path) const;
    Status SaveAsPng(const std::wstring& path) const;
    Status SaveAsTiff(const std::wstring& path) const;
    Status SaveAsEmf(const std::wstring& path) const;
    Status SaveAsWmf(const std::wstring& path) const;
    Status SaveAsPdf(const std::wstring& path) const;

    const Image& image() const { return image_; }

    // Window plumbing (see common/routed_window_proc.h).
    void Attach(HWND hwnd) { hwnd_ = hwnd; }
    void Detach() { hwnd_ = nullptr; }
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

private:
    void PaintContent(HDC dc, const RECT& area);
    void UpdateScrollBars();
    void ScrollTo(int x, int y);
    void OnScroll(int bar, int request);
    Status RequireImage() const;
    using ImageWriter = Status (*)(const Image&, const std::wstring&);
    Status SaveWith(ImageWriter writer, const std::wstring& path) const;

    GdiplusSession gdiplus_;
    HWND hwnd_ = nullptr;
    Image image_;
    double zoom_ = 1.0;
    int scrollX_ = 0;
    int scrollY_ = 0;
    int32_t jpegQuality_ = 85;
    int32_t tiffOption_ = 0;
};

}  // namespace pagelens

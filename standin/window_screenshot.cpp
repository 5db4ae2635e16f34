// Window screenshots (see the header). The window's pixels are copied from its own device
// context into a 32-bit DIB, which GDI+ encodes; GDI+ is started for one picture and shut down
// after the bitmap that used it is gone.
#include "standin/window_screenshot.h"

// GDI+ needs the COM types that the lean Windows headers leave out.
// clang-format off
#include <ole2.h>
#include <gdiplus.h>
// clang-format on

#include <vector>

#include "common/unique_handle.h"
#include "standin/snapshot_window_driver.h"

namespace pagelens::standin {
namespace {

class GdiplusSession {
public:
    GdiplusSession() {
        Gdiplus::GdiplusStartupInput input;
        ok_ = Gdiplus::GdiplusStartup(&token_, &input, nullptr) == Gdiplus::Ok;
    }
    ~GdiplusSession() {
        if (ok_) Gdiplus::GdiplusShutdown(token_);
    }
    GdiplusSession(const GdiplusSession&) = delete;
    GdiplusSession& operator=(const GdiplusSession&) = delete;
    bool ok() const { return ok_; }

private:
    ULONG_PTR token_ = 0;
    bool ok_ = false;
};

// GetWindowDC / ReleaseDC: the whole window, frame included.
class WholeWindowDc {
public:
    explicit WholeWindowDc(HWND hwnd) : hwnd_(hwnd), dc_(GetWindowDC(hwnd)) {}
    WholeWindowDc(const WholeWindowDc&) = delete;
    WholeWindowDc& operator=(const WholeWindowDc&) = delete;
    ~WholeWindowDc() {
        if (dc_) ReleaseDC(hwnd_, dc_);
    }
    HDC get() const { return dc_; }

private:
    HWND hwnd_;
    HDC dc_;
};

bool FindPngEncoder(CLSID* encoder) {
    UINT count = 0, bytes = 0;
    if (Gdiplus::DllExports::GdipGetImageEncodersSize(&count, &bytes) != Gdiplus::Ok || !bytes)
        return false;
    std::vector<BYTE> buffer(bytes);
    auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
    if (Gdiplus::DllExports::GdipGetImageEncoders(count, bytes, codecs) != Gdiplus::Ok)
        return false;
    for (UINT i = 0; i < count; ++i) {
        if (_wcsicmp(codecs[i].MimeType, L"image/png") == 0) {
            *encoder = codecs[i].Clsid;
            return true;
        }
    }
    return false;
}

Status WritePng(const BYTE* pixels, int width, int height, const std::wstring& path) {
    GdiplusSession gdiplus;
    if (!gdiplus.ok()) return DriverError(L"GDI+ did not start");
    CLSID encoder;
    if (!FindPngEncoder(&encoder)) return DriverError(L"GDI+ has no PNG encoder");
    Gdiplus::GpBitmap* bitmap = nullptr;
    if (Gdiplus::DllExports::GdipCreateBitmapFromScan0(
            width, height, width * 4, PixelFormat32bppRGB, const_cast<BYTE*>(pixels), &bitmap) !=
        Gdiplus::Ok)
        return DriverError(L"GDI+ could not take the picture");
    auto saved = Gdiplus::DllExports::GdipSaveImageToFile(bitmap, path.c_str(), &encoder, nullptr);
    Gdiplus::DllExports::GdipDisposeImage(bitmap);
    if (saved != Gdiplus::Ok) return DriverError(L"the screenshot could not be written to " + path);
    return {};
}

}  // namespace

Result<ScreenshotSize> SaveWindowScreenshot(HWND window, const std::wstring& pngPath) {
    RECT frame;
    if (!GetWindowRect(window, &frame)) return DriverError(L"the window is gone");
    ScreenshotSize size{frame.right - frame.left, frame.bottom - frame.top};
    if (size.width <= 0 || size.height <= 0) return DriverError(L"the window has no area");

    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = size.width;
    info.bmiHeader.biHeight = -size.height;  // top-down, as GDI+ reads it
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    UniqueHbitmap dib(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    UniqueHdc memory(CreateCompatibleDC(nullptr));
    if (!dib || !memory) return DriverError(L"no memory for the screenshot");
    {
        SelectGuard select(memory.get(), dib.get());
        WholeWindowDc source(window);
        if (!source.get()) return DriverError(L"the window has no device context");
        if (!BitBlt(memory.get(), 0, 0, size.width, size.height, source.get(), 0, 0, SRCCOPY))
            return DriverError(L"the window's pixels could not be copied");
    }
    GdiFlush();
    PAGELENS_RETURN_IF_ERROR(
        WritePng(static_cast<const BYTE*>(bits), size.width, size.height, pngPath));
    return size;
}

}  // namespace pagelens::standin

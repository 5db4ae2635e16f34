// The test programs' own readers; see independent_readers.h.
#include "tests/viewer_save/independent_readers.h"

// clang-format off
#include <objidl.h>  // before <gdiplus.h>, which needs its COM types
#include <gdiplus.h>
// clang-format on

#include <cstring>
#include <vector>

#include "common/unique_handle.h"
#include "tests/support/test_support.h"

namespace pagelens::test {
namespace {

constexpr uint32_t kUnpainted = 0xFFFF00FFu;  // magenta: shows what playback did not cover

void DeleteWmf(HMETAFILE h) { DeleteMetaFile(h); }
using UniqueHmetafile = UniqueHandle<HMETAFILE, DeleteWmf>;

// A top-down 32-bit DIB section selected into a memory DC, filled with kUnpainted.
struct Canvas {
    UniqueHdc dc;
    UniqueHbitmap bitmap;
    uint32_t* bits = nullptr;
    HGDIOBJ previous = nullptr;
    int width = 0, height = 0;

    Canvas(int w, int h) : width(w), height(h) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = w;
        info.bmiHeader.biHeight = -h;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* raw = nullptr;
        bitmap.reset(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &raw, nullptr, 0));
        dc.reset(CreateCompatibleDC(nullptr));
        bits = static_cast<uint32_t*>(raw);
        if (!bitmap || !dc || !bits) return;
        previous = SelectObject(dc.get(), bitmap.get());
        for (size_t i = 0; i < size_t(w) * h; ++i) bits[i] = kUnpainted;
    }
    ~Canvas() {
        if (previous) SelectObject(dc.get(), previous);
    }
    bool ok() const { return bits != nullptr; }
    Image take() const {
        GdiFlush();
        Image image(width, height);
        for (size_t i = 0; i < image.pixelCount(); ++i) image.pixels()[i] = bits[i] | 0xFF000000u;
        return image;
    }
};

uint16_t Word(const std::vector<unsigned char>& b, size_t at) {
    return uint16_t(b[at] | b[at + 1] << 8);
}

}  // namespace

RasterFile ReadWithGdiplus(const std::wstring& path) {
    RasterFile result;
    Gdiplus::Bitmap bitmap(path.c_str());
    if (bitmap.GetLastStatus() != Gdiplus::Ok) return result;
    result.bitsPerPixel = int(Gdiplus::GetPixelFormatSize(bitmap.GetPixelFormat()));
    const int w = int(bitmap.GetWidth()), h = int(bitmap.GetHeight());
    Image image(w, h);
    if (image.empty()) return result;
    Gdiplus::Rect rect(0, 0, w, h);
    Gdiplus::BitmapData data{};
    data.Width = w;
    data.Height = h;
    data.Stride = w * 4;
    data.PixelFormat = PixelFormat32bppARGB;
    data.Scan0 = image.pixels();
    if (bitmap.LockBits(&rect, Gdiplus::ImageLockModeRead | Gdiplus::ImageLockModeUserInputBuf,
                        PixelFormat32bppARGB, &data) != Gdiplus::Ok)
        return result;
    bitmap.UnlockBits(&data);
    result.image = std::move(image);
    return result;
}

EnhancedMetafile ReadEnhancedMetafile(const std::wstring& path) {
    EnhancedMetafile result;
    UniqueHenhmetafile emf(GetEnhMetaFileW(path.c_str()));
    if (!emf) return result;
    ENHMETAHEADER header{};
    if (GetEnhMetaFileHeader(emf.get(), sizeof header, &header) != sizeof header) return result;
    result.opened = true;
    result.bounds = header.rclBounds;
    result.frame = header.rclFrame;
    const int w = header.rclBounds.right - header.rclBounds.left + 1;
    const int h = header.rclBounds.bottom - header.rclBounds.top + 1;
    Canvas canvas(w, h);
    if (!canvas.ok()) return result;
    RECT target{0, 0, w, h};
    if (PlayEnhMetaFile(canvas.dc.get(), emf.get(), &target)) result.played = canvas.take();
    return result;
}

WindowsMetafile ReadWindowsMetafile(const std::wstring& path, int width, int height) {
    WindowsMetafile result;
    const auto bytes = ReadFileBytes(path);
    if (bytes.size() < 22 + 18) return result;
    if (Word(bytes, 0) == 0xCDD7 && Word(bytes, 2) == 0x9AC6) {
        uint16_t sum = 0;
        for (size_t i = 0; i < 10; ++i) sum ^= Word(bytes, i * 2);
        result.placeable = sum == Word(bytes, 20);
        result.box = {int16_t(Word(bytes, 6)), int16_t(Word(bytes, 8)), int16_t(Word(bytes, 10)),
                      int16_t(Word(bytes, 12))};
        result.unitsPerInch = Word(bytes, 14);
    }
    const size_t skip = result.placeable ? 22 : 0;
    const std::wstring bare = path + L".bare";
    WriteFileBytes(bare, bytes.data() + skip, bytes.size() - skip);
    result.openedByName = UniqueHmetafile(GetMetaFileW(bare.c_str())).get() != nullptr;
    DeleteFileW(bare.c_str());
    result.convertsToEmf =
        UniqueHenhmetafile(
            SetWinMetaFileBits(UINT(bytes.size() - skip), bytes.data() + skip, nullptr, nullptr))
            .get() != nullptr;

    UniqueHmetafile wmf(SetMetaFileBitsEx(UINT(bytes.size() - skip), bytes.data() + skip));
    if (!wmf) return result;
    Canvas canvas(width, height);
    if (!canvas.ok()) return result;
    // The metafile sets its own window; the viewport maps it onto the whole bitmap.
    SetMapMode(canvas.dc.get(), MM_ANISOTROPIC);
    SetViewportOrgEx(canvas.dc.get(), 0, 0, nullptr);
    SetViewportExtEx(canvas.dc.get(), width, height, nullptr);
    if (PlayMetaFile(canvas.dc.get(), wmf.get())) result.played = canvas.take();
    return result;
}

}  // namespace pagelens::test

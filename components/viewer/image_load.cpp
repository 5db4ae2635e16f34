// Reading a page image file (JPEG, PNG, BMP, GIF, TIFF) into an Image. The whole file is read
// into memory and closed before decoding, so it is never held open: the snapshot window deletes
// and rewrites its work file while an image from it is on show.
#include <objidl.h>
#include <gdiplus.h>

#include "common/com_ptr.h"
#include "common/unique_handle.h"
#include "components/viewer/image_files.h"

namespace pagelens {
namespace {

RunError InvalidPicture() { return {481, L"iePagelens", L"Invalid picture"}; }
RunError OutOfMemory() { return {7, L"iePagelens", L"Out of memory"}; }
RunError FileAccessError() { return {75, L"iePagelens", L"Path/File access error"}; }

void FreeGlobal(HGLOBAL memory) { GlobalFree(memory); }
using UniqueHglobal = UniqueHandle<HGLOBAL, FreeGlobal>;

// Larger files cannot be decoded into a 32-bit process's address space anyway.
constexpr LONGLONG kLargestFile = 1LL << 30;

RunError OpenFailure(DWORD error) {
    switch (error) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_NAME:
        case ERROR_INVALID_DRIVE:
        case ERROR_BAD_NETPATH:
            return errors::FileNotFound();
        default:
            return FileAccessError();
    }
}

// The file's bytes in movable global memory, ready to become a stream.
Result<UniqueHglobal> ReadWholeFile(const std::wstring& path) {
    if (path.empty()) return errors::FileNotFound();
    UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) return OpenFailure(GetLastError());
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size)) return FileAccessError();
    if (size.QuadPart == 0) return InvalidPicture();
    if (size.QuadPart > kLargestFile) return OutOfMemory();
    const DWORD length = static_cast<DWORD>(size.QuadPart);

    UniqueHglobal memory(GlobalAlloc(GMEM_MOVEABLE, length));
    if (!memory) return OutOfMemory();
    void* bytes = GlobalLock(memory.get());
    DWORD read = 0;
    const BOOL ok = ReadFile(file.get(), bytes, length, &read, nullptr);
    GlobalUnlock(memory.get());
    if (!ok || read != length) return FileAccessError();
    return memory;
}

Result<Image> DecodeWithGdiplus(UniqueHglobal bytes) {
    ComPtr<IStream> stream;
    if (FAILED(CreateStreamOnHGlobal(bytes.get(), TRUE, stream.put()))) return OutOfMemory();
    bytes.release();  // the stream frees it now

    Gdiplus::Bitmap bitmap(stream.get(), FALSE);
    if (bitmap.GetLastStatus() != Gdiplus::Ok) return InvalidPicture();
    const UINT width = bitmap.GetWidth();
    const UINT height = bitmap.GetHeight();
    if (width == 0 || height == 0 || width > INT_MAX || height > INT_MAX) return InvalidPicture();

    Image image(static_cast<int>(width), static_cast<int>(height));
    if (image.empty()) return OutOfMemory();
    // The decoder writes straight into our buffer: no second full-size copy.
    Gdiplus::BitmapData target{};
    target.Width = width;
    target.Height = height;
    target.Stride = static_cast<INT>(width * sizeof(uint32_t));
    target.PixelFormat = PixelFormat32bppARGB;
    target.Scan0 = image.pixels();
    Gdiplus::Rect whole(0, 0, static_cast<INT>(width), static_cast<INT>(height));
    const Gdiplus::Status locked =
        bitmap.LockBits(&whole, Gdiplus::ImageLockModeRead | Gdiplus::ImageLockModeUserInputBuf,
                        PixelFormat32bppARGB, &target);
    if (locked == Gdiplus::OutOfMemory) return OutOfMemory();
    if (locked != Gdiplus::Ok) return InvalidPicture();
    bitmap.UnlockBits(&target);
    return image;
}

}  // namespace

Result<Image> LoadImageFile(const std::wstring& path) {
    auto bytes = ReadWholeFile(path);
    if (!bytes) return bytes.error();
    return DecodeWithGdiplus(std::move(bytes).value());
}

}  // namespace pagelens

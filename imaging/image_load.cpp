// Reading a page image file (JPEG, PNG, BMP, GIF, TIFF) into an Image. The whole file is read
// into memory and closed before decoding, so it is never held open: the snapshot window deletes
// and rewrites its work file while an image from it is on show.
// JPEG and PNG go through stb_image, which decodes a page image about a fifth faster here than
// GDI+; BMP, GIF and TIFF, and any JPEG or PNG that stb_image does not support (arithmetic
// coding, 12-bit JPEG), go through GDI+, which writes straight into the Image's buffer.
// <gdiplus.h> needs the COM types of <objidl.h> first.
// clang-format off
#include <objidl.h>
#include <gdiplus.h>
// clang-format on

#include <cstring>

#include "common/com_ptr.h"
#include "common/unique_handle.h"
#include "imaging/image_files.h"
#include "imaging/stb_decoder.h"

namespace pagelens {
namespace {

using errors::InvalidPicture;
using errors::OutOfMemory;

// Larger files cannot be decoded into a 32-bit process's address space anyway.
constexpr LONGLONG kLargestFile = 1LL << 30;

// The file's bytes in movable global memory, ready to become a stream. The block may be
// larger than the file, so the file's size travels with it.
struct FileBytes {
    UniqueHglobal memory;
    DWORD size = 0;
};

Result<FileBytes> ReadWholeFile(const std::wstring& path) {
    if (path.empty()) return errors::FileNotFound();
    UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) return errors::FromWin32File(GetLastError(), errors::FileUse::Read);
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size)) return errors::PathFileAccess();
    if (size.QuadPart == 0) return InvalidPicture();
    if (size.QuadPart > kLargestFile) return OutOfMemory();
    const DWORD length = static_cast<DWORD>(size.QuadPart);

    UniqueHglobal memory(GlobalAlloc(GMEM_MOVEABLE, length));
    if (!memory) return OutOfMemory();
    void* bytes = GlobalLock(memory.get());
    if (!bytes) return OutOfMemory();
    DWORD read = 0;
    const BOOL ok = ReadFile(file.get(), bytes, length, &read, nullptr);
    GlobalUnlock(memory.get());
    if (!ok || read != length) return errors::PathFileAccess();
    return FileBytes{std::move(memory), length};
}

bool StartsWith(const uint8_t* bytes, size_t size, const char* signature, size_t length) {
    return size >= length && std::memcmp(bytes, signature, length) == 0;
}

bool IsJpegOrPng(const uint8_t* bytes, size_t size) {
    return StartsWith(bytes, size, "\xFF\xD8\xFF", 3) ||
           StartsWith(bytes, size, "\x89PNG\r\n\x1A\n", 8);
}

// An empty image means that stb_image could not decode the file; GDI+ may still do it.
Result<Image> DecodeWithStb(const uint8_t* bytes, size_t size) {
    const DecodedRgba decoded = DecodeToRgba(bytes, size);
    if (!decoded.rgba) {
        if (decoded.outOfMemory) return OutOfMemory();
        return Image();
    }
    Image image(decoded.width, decoded.height);
    if (image.empty()) return OutOfMemory();
    // Bytes R, G, B, A read as one little-endian word are 0xAABBGGRR: swap red and blue.
    const auto* source = reinterpret_cast<const uint32_t*>(decoded.rgba.get());
    uint32_t* target = image.pixels();
    for (size_t i = 0, n = image.pixelCount(); i < n; ++i) {
        uint32_t p;
        std::memcpy(&p, source + i, sizeof p);
        target[i] = (p & 0xFF00FF00u) | (p >> 16 & 0xFFu) | (p & 0xFFu) << 16;
    }
    return image;
}

Result<Image> DecodeWithGdiplus(FileBytes bytes) {
    ComPtr<IStream> stream;
    if (FAILED(CreateStreamOnHGlobal(bytes.memory.get(), TRUE, stream.put()))) return OutOfMemory();
    bytes.memory.release();  // the stream frees it now
    ULARGE_INTEGER size{};
    size.QuadPart = bytes.size;
    stream->SetSize(size);

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
    FileBytes file = std::move(bytes).value();
    const auto* start = static_cast<const uint8_t*>(GlobalLock(file.memory.get()));
    Result<Image> decoded =
        IsJpegOrPng(start, file.size) ? DecodeWithStb(start, file.size) : Image();
    GlobalUnlock(file.memory.get());
    if (!decoded || !decoded->empty()) return decoded;
    return DecodeWithGdiplus(std::move(file));
}

}  // namespace pagelens

// EMF and WMF files that hold the image as one device-independent bitmap (24 bits, bottom-up).
// EMF goes through GDI: a metafile device context with a frame of the image's size and one
// StretchDIBits. WMF is written by our own code, because under Wine GDI's WMF recording loses
// the pixels: a placeable metafile (Aldus header), the standard header, the window's origin and
// extent, the bitmap in META_STRETCHDIB records, and the end record. WMF coordinates are 16-bit:
// an image over 32767 pixels a side gets a logical unit of several pixels, and its bitmap is
// split into tiles whose source rectangles fit in 16 bits.
#include <algorithm>
#include <memory>
#include <new>
#include <vector>

#include "common/unique_handle.h"
#include "imaging/image_files.h"
#include "imaging/image_save_output.h"
#include "imaging/image_save_tone.h"

namespace pagelens {
namespace {

BITMAPINFOHEADER Dib24Header(int width, int height) {
    BITMAPINFOHEADER header{};
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = height;  // bottom-up: the form every reader takes
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    header.biSizeImage = DWORD(IndexedStride(width, 24)) * DWORD(height);
    return header;
}

RunError MetafileFailure(const wchar_t* what) { return errors::PathFileAccess(what); }

// The picture frame in .01 mm, from the reference device's size and resolution.
RECT FrameOf(HDC reference, int width, int height) {
    const int mmWide = GetDeviceCaps(reference, HORZSIZE),
              mmHigh = GetDeviceCaps(reference, VERTSIZE);
    const int pxWide = GetDeviceCaps(reference, HORZRES),
              pxHigh = GetDeviceCaps(reference, VERTRES);
    if (mmWide <= 0 || mmHigh <= 0 || pxWide <= 0 || pxHigh <= 0)
        return {0, 0, MulDiv(width, 2540, 96), MulDiv(height, 2540, 96)};
    return {0, 0, MulDiv(width, mmWide * 100, pxWide), MulDiv(height, mmHigh * 100, pxHigh)};
}

void DeleteMetafileDc(HDC dc) { DeleteEnhMetaFile(CloseEnhMetaFile(dc)); }
using UniqueEmfDc = UniqueHandle<HDC, DeleteMetafileDc>;

}  // namespace

Status SaveAsEmfFile(const Image& image, const std::wstring& path) {
    if (image.empty()) return NoImageToSave();
    const int width = image.width(), height = image.height();
    const int stride = IndexedStride(width, 24);
    std::unique_ptr<uint8_t[]> bits(new (std::nothrow) uint8_t[size_t(stride) * height]);
    if (!bits) return errors::OutOfMemory();
    for (int y = 0; y < height; ++y)
        PackBgrRow(image.row(y), width, bits.get() + size_t(height - 1 - y) * stride, stride);

    auto file = PendingFile::Create(path);
    if (!file) return file.error();
    file.value().closeHandle();

    WindowDc screen(nullptr);
    const RECT frame = FrameOf(screen.get(), width, height);
    UniqueEmfDc recorder(CreateEnhMetaFileW(screen.get(), file.value().temporaryPath().c_str(),
                                            &frame, L"iePagelens\0Page image\0"));
    if (!recorder) return SaveFailure(GetLastError(), path);
    BITMAPINFO info{};
    info.bmiHeader = Dib24Header(width, height);
    const int copied = StretchDIBits(recorder.get(), 0, 0, width, height, 0, 0, width, height,
                                     bits.get(), &info, DIB_RGB_COLORS, SRCCOPY);
    if (copied == 0 || copied == int(GDI_ERROR))
        return MetafileFailure(L"the bitmap could not be recorded");
    bits.reset();
    UniqueHenhmetafile emf(CloseEnhMetaFile(recorder.release()));
    if (!emf) return MetafileFailure(L"the metafile could not be written");
    emf.reset();
    return file.value().commit();
}

namespace {

constexpr int kLargestWmfCoordinate = 32767;
constexpr uint16_t kStretchDib = 0x0F43, kSetWindowOrg = 0x020B, kSetWindowExt = 0x020C;
constexpr uint32_t kStretchDibWords = 14;  // record header and parameters before the DIB

// A rectangle of the image that one META_STRETCHDIB record holds.
struct Tile {
    int left, top, width, height;
};

struct WmfLayout {
    int unit = 1;  // pixels per logical unit
    int logicalWidth = 0, logicalHeight = 0;
    std::vector<Tile> tiles;
};

int CeilDiv(int a, int b) { return (a + b - 1) / b; }

WmfLayout LayOut(int width, int height) {
    WmfLayout layout;
    layout.unit = CeilDiv(std::max(width, height), kLargestWmfCoordinate);
    layout.logicalWidth = CeilDiv(width, layout.unit);
    layout.logicalHeight = CeilDiv(height, layout.unit);
    // Tiles start on whole logical units, so every destination is exact but the last.
    const int tileSide = kLargestWmfCoordinate / layout.unit * layout.unit;
    for (int top = 0; top < height; top += tileSide)
        for (int left = 0; left < width; left += tileSide)
            layout.tiles.push_back(
                {left, top, std::min(tileSide, width - left), std::min(tileSide, height - top)});
    return layout;
}

uint32_t TileRecordWords(const Tile& tile) {
    const uint64_t dibBytes =
        sizeof(BITMAPINFOHEADER) + uint64_t(IndexedStride(tile.width, 24)) * uint64_t(tile.height);
    return kStretchDibWords + uint32_t(dibBytes / 2);
}

void PutWord(PendingFile& out, uint16_t value) {
    out.writeByte(uint8_t(value));
    out.writeByte(uint8_t(value >> 8));
}
void PutDword(PendingFile& out, uint32_t value) {
    PutWord(out, uint16_t(value));
    PutWord(out, uint16_t(value >> 16));
}

void WritePlaceableHeader(PendingFile& out, const WmfLayout& layout) {
    const uint16_t unitsPerInch = uint16_t(std::max(1, (96 + layout.unit / 2) / layout.unit));
    const uint16_t words[10] = {0xCDD7,
                                0x9AC6,
                                0,
                                0,
                                0,
                                uint16_t(layout.logicalWidth),
                                uint16_t(layout.logicalHeight),
                                unitsPerInch,
                                0,
                                0};
    uint16_t checksum = 0;
    for (uint16_t w : words) {
        PutWord(out, w);
        checksum ^= w;
    }
    PutWord(out, checksum);
}

void WriteMetaHeader(PendingFile& out, uint32_t totalWords, uint32_t largestRecordWords) {
    PutWord(out, 1);       // in memory
    PutWord(out, 9);       // header words
    PutWord(out, 0x0300);  // version
    PutDword(out, totalWords);
    PutWord(out, 0);  // objects
    PutDword(out, largestRecordWords);
    PutWord(out, 0);
}

void WriteWindowRecord(PendingFile& out, uint16_t function, int x, int y) {
    PutDword(out, 5);
    PutWord(out, function);
    PutWord(out, uint16_t(y));
    PutWord(out, uint16_t(x));
}

void WriteTile(PendingFile& out, const Image& image, const WmfLayout& layout, const Tile& tile,
               uint8_t* rowBuffer) {
    PutDword(out, TileRecordWords(tile));
    PutWord(out, kStretchDib);
    PutDword(out, SRCCOPY);
    PutWord(out, DIB_RGB_COLORS);
    PutWord(out, uint16_t(tile.height));
    PutWord(out, uint16_t(tile.width));
    PutWord(out, 0);  // source y, x: the whole tile bitmap
    PutWord(out, 0);
    PutWord(out, uint16_t(CeilDiv(tile.height, layout.unit)));
    PutWord(out, uint16_t(CeilDiv(tile.width, layout.unit)));
    PutWord(out, uint16_t(tile.top / layout.unit));
    PutWord(out, uint16_t(tile.left / layout.unit));
    const BITMAPINFOHEADER header = Dib24Header(tile.width, tile.height);
    out.write(&header, sizeof header);
    const int stride = IndexedStride(tile.width, 24);
    for (int y = tile.top + tile.height - 1; y >= tile.top; --y) {
        PackBgrRow(image.row(y) + tile.left, tile.width, rowBuffer, stride);
        out.write(rowBuffer, size_t(stride));
    }
}

}  // namespace

Status SaveAsWmfFile(const Image& image, const std::wstring& path) {
    if (image.empty()) return NoImageToSave();
    const WmfLayout layout = LayOut(image.width(), image.height());
    uint64_t totalWords = 9 + 5 + 5 + 3;  // header, window origin and extent, end record
    uint32_t largest = 5;
    for (const Tile& tile : layout.tiles) {
        totalWords += TileRecordWords(tile);
        largest = std::max(largest, TileRecordWords(tile));
    }
    if (totalWords > 0xFFFFFFFFu) return errors::Overflow(L"the image is too large for a WMF file");
    std::unique_ptr<uint8_t[]> rowBuffer(new (std::nothrow)
                                             uint8_t[size_t(IndexedStride(image.width(), 24))]);
    if (!rowBuffer) return errors::OutOfMemory();

    auto file = PendingFile::Create(path);
    if (!file) return file.error();
    PendingFile& out = file.value();
    WritePlaceableHeader(out, layout);
    WriteMetaHeader(out, uint32_t(totalWords), largest);
    WriteWindowRecord(out, kSetWindowOrg, 0, 0);
    WriteWindowRecord(out, kSetWindowExt, layout.logicalWidth, layout.logicalHeight);
    for (const Tile& tile : layout.tiles) WriteTile(out, image, layout, tile, rowBuffer.get());
    PutDword(out, 3);
    PutWord(out, 0);  // META_EOF
    return out.commit();
}

}  // namespace pagelens

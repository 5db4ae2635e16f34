// GIF files written by our own code: GIF89a, one image, a global colour table chosen for the
// image (image_save_gif_palette) and LZW data (image_save_gif_lzw). GDI+'s GIF encoder writes a
// broken file from 32-bit pixels under Wine, and building a palette through WIC is very slow.
#include <memory>
#include <new>

#include "imaging/image_files.h"
#include "imaging/image_save_gif_lzw.h"
#include "imaging/image_save_gif_palette.h"
#include "imaging/image_save_output.h"

namespace pagelens {
namespace {

constexpr int kLargestGifSide = 65535;

void WriteWord(PendingFile& out, int value) {
    out.writeByte(uint8_t(value));
    out.writeByte(uint8_t(value >> 8));
}

// Bits per index: the colour table holds 2^bits entries, at least 2.
int TableBits(size_t colors) {
    int bits = 1;
    while ((size_t(1) << bits) < colors) ++bits;
    return bits;
}

void WriteHeader(PendingFile& out, int width, int height, const std::vector<uint32_t>& colors,
                 int tableBits) {
    out.write("GIF89a", 6);
    WriteWord(out, width);
    WriteWord(out, height);
    // Global colour table present, 8 bits per primary, unsorted, 2^tableBits entries.
    out.writeByte(uint8_t(0x80 | 0x70 | (tableBits - 1)));
    out.writeByte(0);  // background colour index
    out.writeByte(0);  // no aspect ratio
    for (int i = 0; i < (1 << tableBits); ++i) {
        const uint32_t c = size_t(i) < colors.size() ? colors[i] : 0;
        out.writeByte(RedOf(c));
        out.writeByte(GreenOf(c));
        out.writeByte(BlueOf(c));
    }
    out.writeByte(0x2C);  // image descriptor: the whole screen, no local table, not interlaced
    WriteWord(out, 0);
    WriteWord(out, 0);
    WriteWord(out, width);
    WriteWord(out, height);
    out.writeByte(0);
}

}  // namespace

Status SaveAsGifFile(const Image& image, const std::wstring& path) {
    if (image.empty()) return NoImageToSave();
    if (image.width() > kLargestGifSide || image.height() > kLargestGifSide)
        return errors::Overflow(L"a GIF image is at most 65535 pixels wide and high");
    auto palette = GifPalette::Choose(image);
    if (!palette) return palette.error();
    std::unique_ptr<uint8_t[]> indices(new (std::nothrow) uint8_t[image.width()]);
    if (!indices) return errors::OutOfMemory();
    auto file = PendingFile::Create(path);
    if (!file) return file.error();
    PendingFile& out = file.value();

    const int tableBits = TableBits(palette->colors().size());
    WriteHeader(out, image.width(), image.height(), palette->colors(), tableBits);
    const int minCodeSize = tableBits < 2 ? 2 : tableBits;
    out.writeByte(uint8_t(minCodeSize));
    GifLzwEncoder lzw(out, minCodeSize);
    for (int y = 0; y < image.height(); ++y) {
        palette->mapRow(image.row(y), image.width(), indices.get());
        lzw.encode(indices.get(), size_t(image.width()));
    }
    lzw.finish();
    out.writeByte(0x3B);
    return out.commit();
}

}  // namespace pagelens

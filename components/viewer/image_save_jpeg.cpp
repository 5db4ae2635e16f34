// JPEG files through stb_image_write, which honours the quality setting the same way on Windows
// and under Wine (the platform's encoders ignore it under Wine). This file holds the program's
// stb implementation, twice: its encoder works in single-precision floats, and with the x87
// unit that a plain 32-bit build uses, every float-to-integer conversion reloads the FPU control
// word, which makes it eight times slower than with SSE2. So one copy is built for SSE2 and
// runs where the processor has it, and the other serves the rest.
#include "components/viewer/image_save_jpeg.h"

#include <assert.h>
#include <math.h>
#include <stdarg.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <new>

#include "components/viewer/image_files.h"

// The C headers above are already in, so inside these namespaces stb only adds its own code.
#define STBI_WRITE_NO_STDIO
#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#pragma GCC push_options
#pragma GCC target("sse2", "fpmath=sse")
namespace pagelens::stb_sse2 {
#include <stb/stb_image_write.h>
}
#pragma GCC pop_options
#undef INCLUDE_STB_IMAGE_WRITE_H
namespace pagelens::stb_x87 {
#include <stb/stb_image_write.h>
}

namespace pagelens {
namespace {

// stb reads quality 0 as "default" (90); 0 asks for the lowest.
int EncoderQuality(int quality) { return std::clamp(quality, 1, 100); }

// stb wants R, G, B bytes; our pixels are B, G, R, A in memory.
std::unique_ptr<uint8_t[]> RgbBand(const Image& image, int firstRow, int rowCount) {
    const size_t width = static_cast<size_t>(image.width());
    std::unique_ptr<uint8_t[]> rgb(new (std::nothrow) uint8_t[width * rowCount * 3]);
    if (!rgb) return rgb;
    uint8_t* out = rgb.get();
    for (int y = firstRow; y < firstRow + rowCount; ++y) {
        const uint32_t* row = image.row(y);
        for (size_t x = 0; x < width; ++x, out += 3) {
            const uint32_t p = row[x];
            out[0] = RedOf(p);
            out[1] = GreenOf(p);
            out[2] = BlueOf(p);
        }
    }
    return rgb;
}

void WriteToPendingFile(void* context, void* data, int size) {
    auto* out = static_cast<PendingFile*>(context);
    if (size == 1)
        out->writeByte(*static_cast<const uint8_t*>(data));
    else
        out->write(data, static_cast<size_t>(size));
}

}  // namespace

Status WriteJpeg(const Image& image, int firstRow, int rowCount, int quality, PendingFile& out,
                 JpegMath math) {
    if (image.width() > kLargestJpegSide || rowCount > kLargestJpegSide)
        return RunError{6, L"iePagelens",
                        L"Overflow: a JPEG image is at most 65535 pixels wide and high"};
    auto rgb = RgbBand(image, firstRow, rowCount);
    if (!rgb) return SaveOutOfMemory();
    const bool useSse2 =
        math == JpegMath::Sse2 ||
        (math == JpegMath::Fastest && IsProcessorFeaturePresent(PF_XMMI64_INSTRUCTIONS_AVAILABLE));
    const auto encode =
        useSse2 ? stb_sse2::stbi_write_jpg_to_func : stb_x87::stbi_write_jpg_to_func;
    if (!encode(WriteToPendingFile, &out, image.width(), rowCount, 3, rgb.get(),
                EncoderQuality(quality)))
        return RunError{75, L"iePagelens", L"Path/File access error: the JPEG encoder failed"};
    return {};
}

Status SaveAsJpegFile(const Image& image, const std::wstring& path, int quality) {
    if (image.empty()) return NoImageToSave();
    auto file = PendingFile::Create(path);
    if (!file) return file.error();
    PAGELENS_RETURN_IF_ERROR(WriteJpeg(image, 0, image.height(), quality, file.value()));
    return file.value().commit();
}

}  // namespace pagelens

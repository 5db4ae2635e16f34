// The one JPEG encoding routine, shared by the JPEG writer and the PDF writer (whose pages hold
// JPEG images). It streams the encoded bytes into a PendingFile as they are produced.
#pragma once
#include "common/run_error.h"
#include "components/viewer/image.h"
#include "components/viewer/image_save_output.h"

namespace pagelens {

// Which build of the encoder runs: the SSE2 one where the processor has SSE2 (Fastest), or
// either one by name, so that both can be tested on one machine.
enum class JpegMath { Fastest, X87, Sse2 };

// Encodes rows firstRow .. firstRow + rowCount - 1 of a non-empty image as a baseline JPEG.
// Quality 0..100; below 1 means the encoder's lowest, above 100 its highest. Alpha is dropped.
Status WriteJpeg(const Image& image, int firstRow, int rowCount, int quality, PendingFile& out,
                 JpegMath math = JpegMath::Fastest);

// JPEG frame headers hold 16-bit sizes.
constexpr int kLargestJpegSide = 65535;

}  // namespace pagelens

// The one JPEG encoding routine, shared by the JPEG writer and the PDF writer (whose pages hold
// JPEG images). It streams the encoded bytes into a PendingFile as they are produced.
#pragma once
#include <future>
#include <memory>
#include <string>
#include <vector>

#include "common/run_error.h"
#include "imaging/image.h"
#include "imaging/image_save_output.h"

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

struct JpegLayout;

// A baseline JPEG encoded in pieces while its image is still being filled, on threads of its
// own, so that the encoding overlaps whatever produces the rows. Every row of MCUs (8 or 16
// pixel rows) is a restart interval of its own, so any run of them is encoded on its own and the
// pieces are joined in order. Same quantisation and colour handling as WriteJpeg. The image must
// outlive this object, and a row must not change once it is reported ready.
class JpegInPieces {
public:
    JpegInPieces(const Image& image, int quality, JpegMath math = JpegMath::Fastest);
    ~JpegInPieces();  // waits for the pieces under way
    JpegInPieces(const JpegInPieces&) = delete;
    JpegInPieces& operator=(const JpegInPieces&) = delete;

    // Rows 0 .. rows - 1 are final: the whole MCU rows among them that no piece holds yet are
    // encoded from now on.
    void RowsReady(int rows);
    // Encodes the rest, waits for every piece and writes the file through a PendingFile.
    Status WriteFile(const std::wstring& path);
    // The same into `file`, which the caller commits when it sees fit.
    Status WriteTo(PendingFile& file);

private:
    void StartPiece(int firstMcuRow, int mcuRows);
    void StartUpTo(int endMcuRow);

    const Image& image_;
    std::unique_ptr<const JpegLayout> layout_;
    bool sse2_;
    int startedMcuRows_ = 0;
    std::vector<std::future<std::string>> pieces_;
};

}  // namespace pagelens

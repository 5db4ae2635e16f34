// The one JPEG encoding routine, shared by the JPEG writer and the PDF writer (whose pages hold
// JPEG images). It streams the encoded bytes into a PendingFile as they are produced.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "common/run_error.h"
#include "common/unique_handle.h"
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
//
// The encoded pieces go to the file as they are finished (WriteReady), so what waits in memory
// is a piece or two, not the file: a tall page's JPEG can take as much as its image.
class JpegInPieces {
public:
    JpegInPieces(const Image& image, int quality, JpegMath math = JpegMath::Fastest);
    ~JpegInPieces();  // waits for the pieces under way; the queued ones are dropped
    JpegInPieces(const JpegInPieces&) = delete;
    JpegInPieces& operator=(const JpegInPieces&) = delete;

    // Rows 0 .. rows - 1 are final: the whole MCU rows among them that no piece holds yet are
    // encoded from now on.
    void RowsReady(int rows);
    // Writes the header, then every finished piece that follows the ones written, without
    // waiting. Always the same file as WriteTo; a write failure shows when it is committed.
    void WriteReady(PendingFile& file);
    // Encodes the rest (this thread helping), waits for every piece and writes the file through
    // a PendingFile.
    Status WriteFile(const std::wstring& path);
    // The same into `file`, which the caller commits when it sees fit.
    Status WriteTo(PendingFile& file);

private:
    struct Shared;
    static DWORD WINAPI EncoderThread(void* shared);
    void StartEncoders();

    const Image& image_;
    std::unique_ptr<Shared> shared_;
    std::vector<UniqueHandleK> encoders_;
    int queuedMcuRows_ = 0;
    bool headerWritten_ = false;
};

}  // namespace pagelens

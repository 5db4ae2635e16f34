// JPEG files through stb_image_write, which honours the quality setting the same way on Windows
// and under Wine (the platform's encoders ignore it under Wine). This file holds the program's
// stb implementation, twice: its encoder works in single-precision floats, and with the x87
// unit that a plain 32-bit build uses, every float-to-integer conversion reloads the FPU control
// word, which makes it eight times slower than with SSE2. So one copy is built for SSE2 and
// runs where the processor has it, and the other serves the rest.
#include "imaging/image_save_jpeg.h"

#include <assert.h>
#include <math.h>
#include <stdarg.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <new>
#include <optional>
#include <thread>

#include "imaging/image_files.h"

namespace pagelens {

// What every piece and the header share: sizes, quantisation and Huffman codes.
struct JpegLayout {
    int width = 0;
    int height = 0;
    bool subsample = false;  // 4:2:0 at quality 90 and below, as WriteJpeg
    int mcuSize = 8;
    int mcusPerRow = 0;
    int mcuRows = 0;
    uint8_t lumaTable[64] = {};  // zigzag order, as the file holds them
    uint8_t chromaTable[64] = {};
    unsigned short dcLuma[256][2] = {}, acLuma[256][2] = {};  // code, length
    unsigned short dcChroma[256][2] = {}, acChroma[256][2] = {};
};

namespace {

// The scale factors of the DCT that the encoder uses, folded into the quantisation.
constexpr float kDctScale[8] = {1.0f * 2.828427125f,         1.387039845f * 2.828427125f,
                                1.306562965f * 2.828427125f, 1.175875602f * 2.828427125f,
                                1.0f * 2.828427125f,         0.785694958f * 2.828427125f,
                                0.541196100f * 2.828427125f, 0.275899379f * 2.828427125f};

// The block coder hands over its output a byte at a time.
void AppendToString(void* context, void* data, int size) {
    auto* out = static_cast<std::string*>(context);
    if (size == 1)
        out->push_back(*static_cast<const char*>(data));
    else
        out->append(static_cast<const char*>(data), static_cast<size_t>(size));
}

// The quantised DC values of the MCUs of one colour: one entry for each of a few colours, which
// is all a page's flat backgrounds and boxes take.
class FlatMcus {
public:
    struct Dc {
        int y, u, v;
    };
    const Dc* find(uint32_t colour) const {
        const Entry& entry = entries_[Slot(colour)];
        return entry.used && entry.colour == colour ? &entry.dc : nullptr;
    }
    void store(uint32_t colour, Dc dc) { entries_[Slot(colour)] = {colour, dc, true}; }

private:
    struct Entry {
        uint32_t colour = 0;
        Dc dc{};
        bool used = false;
    };
    static size_t Slot(uint32_t colour) { return (colour * 2654435761u) >> 28; }
    Entry entries_[16];
};

// The one colour of the MCU at (left, top), edges repeated as the encoder repeats them, if it
// has one.
std::optional<uint32_t> FlatColour(const JpegLayout& layout, const Image& image, int left,
                                   int top) {
    const int size = layout.mcuSize;
    const uint32_t colour = image.row(std::min(top, layout.height - 1))[left];
    const int right = std::min(left + size, layout.width);
    for (int row = 0; row < size; ++row) {
        const uint32_t* pixels = image.row(std::min(top + row, layout.height - 1));
        for (int x = left; x < right; ++x)
            if (pixels[x] != colour) return std::nullopt;
    }
    return colour;
}

}  // namespace
}  // namespace pagelens

// The C headers above are already in, so inside these namespaces stb only adds its own code.
// Each copy gets the coding of MCU rows too, built with the same floating-point unit, so that
// both compute exactly what the copy's own one-piece encoder computes.
#define STBI_WRITE_NO_STDIO
#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#pragma GCC push_options
#pragma GCC target("sse2", "fpmath=sse")
namespace pagelens::stb_sse2 {
#include <stb/stb_image_write.h>

#include "imaging/jpeg_mcu_rows.inc"
}  // namespace pagelens::stb_sse2
#pragma GCC pop_options
#undef INCLUDE_STB_IMAGE_WRITE_H
namespace pagelens::stb_x87 {
#include <stb/stb_image_write.h>

#include "imaging/jpeg_mcu_rows.inc"
}  // namespace pagelens::stb_x87

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

bool UseSse2(JpegMath math) {
    return math == JpegMath::Sse2 || (math == JpegMath::Fastest &&
                                      IsProcessorFeaturePresent(PF_XMMI64_INSTRUCTIONS_AVAILABLE));
}

RunError TooLargeForJpeg() {
    return errors::Overflow(L"a JPEG image is at most 65535 pixels wide and high");
}

}  // namespace

Status WriteJpeg(const Image& image, int firstRow, int rowCount, int quality, PendingFile& out,
                 JpegMath math) {
    if (image.width() > kLargestJpegSide || rowCount > kLargestJpegSide) return TooLargeForJpeg();
    auto rgb = RgbBand(image, firstRow, rowCount);
    if (!rgb) return errors::OutOfMemory();
    const auto encode =
        UseSse2(math) ? stb_sse2::stbi_write_jpg_to_func : stb_x87::stbi_write_jpg_to_func;
    if (!encode(WriteToPendingFile, &out, image.width(), rowCount, 3, rgb.get(),
                EncoderQuality(quality)))
        return errors::PathFileAccess(L"the JPEG encoder failed");
    return {};
}

// ---- JPEG in pieces -------------------------------------------------------------------------

namespace {

// The typical Huffman tables of the JPEG standard (ITU T.81, Annex K.3): code counts by length,
// then the symbols in code order.
constexpr uint8_t kDcLumaCounts[16] = {0, 1, 5, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0};
constexpr uint8_t kDcChromaCounts[16] = {0, 3, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0};
constexpr uint8_t kDcSymbols[12] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
constexpr uint8_t kAcLumaCounts[16] = {0, 2, 1, 3, 3, 2, 4, 3, 5, 5, 4, 4, 0, 0, 1, 0x7d};
constexpr uint8_t kAcLumaSymbols[162] = {
    0x01, 0x02, 0x03, 0x00, 0x04, 0x11, 0x05, 0x12, 0x21, 0x31, 0x41, 0x06, 0x13, 0x51, 0x61,
    0x07, 0x22, 0x71, 0x14, 0x32, 0x81, 0x91, 0xa1, 0x08, 0x23, 0x42, 0xb1, 0xc1, 0x15, 0x52,
    0xd1, 0xf0, 0x24, 0x33, 0x62, 0x72, 0x82, 0x09, 0x0a, 0x16, 0x17, 0x18, 0x19, 0x1a, 0x25,
    0x26, 0x27, 0x28, 0x29, 0x2a, 0x34, 0x35, 0x36, 0x37, 0x38, 0x39, 0x3a, 0x43, 0x44, 0x45,
    0x46, 0x47, 0x48, 0x49, 0x4a, 0x53, 0x54, 0x55, 0x56, 0x57, 0x58, 0x59, 0x5a, 0x63, 0x64,
    0x65, 0x66, 0x67, 0x68, 0x69, 0x6a, 0x73, 0x74, 0x75, 0x76, 0x77, 0x78, 0x79, 0x7a, 0x83,
    0x84, 0x85, 0x86, 0x87, 0x88, 0x89, 0x8a, 0x92, 0x93, 0x94, 0x95, 0x96, 0x97, 0x98, 0x99,
    0x9a, 0xa2, 0xa3, 0xa4, 0xa5, 0xa6, 0xa7, 0xa8, 0xa9, 0xaa, 0xb2, 0xb3, 0xb4, 0xb5, 0xb6,
    0xb7, 0xb8, 0xb9, 0xba, 0xc2, 0xc3, 0xc4, 0xc5, 0xc6, 0xc7, 0xc8, 0xc9, 0xca, 0xd2, 0xd3,
    0xd4, 0xd5, 0xd6, 0xd7, 0xd8, 0xd9, 0xda, 0xe1, 0xe2, 0xe3, 0xe4, 0xe5, 0xe6, 0xe7, 0xe8,
    0xe9, 0xea, 0xf1, 0xf2, 0xf3, 0xf4, 0xf5, 0xf6, 0xf7, 0xf8, 0xf9, 0xfa};
constexpr uint8_t kAcChromaCounts[16] = {0, 2, 1, 2, 4, 4, 3, 4, 7, 5, 4, 4, 0, 1, 2, 0x77};
constexpr uint8_t kAcChromaSymbols[162] = {
    0x00, 0x01, 0x02, 0x03, 0x11, 0x04, 0x05, 0x21, 0x31, 0x06, 0x12, 0x41, 0x51, 0x07, 0x61,
    0x71, 0x13, 0x22, 0x32, 0x81, 0x08, 0x14, 0x42, 0x91, 0xa1, 0xb1, 0xc1, 0x09, 0x23, 0x33,
    0x52, 0xf0, 0x15, 0x62, 0x72, 0xd1, 0x0a, 0x16, 0x24, 0x34, 0xe1, 0x25, 0xf1, 0x17, 0x18,
    0x19, 0x1a, 0x26, 0x27, 0x28, 0x29, 0x2a, 0x35, 0x36, 0x37, 0x38, 0x39, 0x3a, 0x43, 0x44,
    0x45, 0x46, 0x47, 0x48, 0x49, 0x4a, 0x53, 0x54, 0x55, 0x56, 0x57, 0x58, 0x59, 0x5a, 0x63,
    0x64, 0x65, 0x66, 0x67, 0x68, 0x69, 0x6a, 0x73, 0x74, 0x75, 0x76, 0x77, 0x78, 0x79, 0x7a,
    0x82, 0x83, 0x84, 0x85, 0x86, 0x87, 0x88, 0x89, 0x8a, 0x92, 0x93, 0x94, 0x95, 0x96, 0x97,
    0x98, 0x99, 0x9a, 0xa2, 0xa3, 0xa4, 0xa5, 0xa6, 0xa7, 0xa8, 0xa9, 0xaa, 0xb2, 0xb3, 0xb4,
    0xb5, 0xb6, 0xb7, 0xb8, 0xb9, 0xba, 0xc2, 0xc3, 0xc4, 0xc5, 0xc6, 0xc7, 0xc8, 0xc9, 0xca,
    0xd2, 0xd3, 0xd4, 0xd5, 0xd6, 0xd7, 0xd8, 0xd9, 0xda, 0xe2, 0xe3, 0xe4, 0xe5, 0xe6, 0xe7,
    0xe8, 0xe9, 0xea, 0xf2, 0xf3, 0xf4, 0xf5, 0xf6, 0xf7, 0xf8, 0xf9, 0xfa};

// The standard's example quantisation tables (Annex K.1), row by row.
constexpr int kLumaQuantisation[64] = {
    16, 11, 10, 16, 24,  40,  51,  61,  12, 12, 14, 19, 26,  58,  60,  55,
    14, 13, 16, 24, 40,  57,  69,  56,  14, 17, 22, 29, 51,  87,  80,  62,
    18, 22, 37, 56, 68,  109, 103, 77,  24, 35, 55, 64, 81,  104, 113, 92,
    49, 64, 78, 87, 103, 121, 120, 101, 72, 92, 95, 98, 112, 100, 103, 99};
constexpr int kChromaQuantisation[64] = {
    17, 18, 24, 47, 99, 99, 99, 99, 18, 21, 26, 66, 99, 99, 99, 99, 24, 26, 56, 99, 99, 99,
    99, 99, 47, 66, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99,
    99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99};

// Canonical codes from counts by length (Annex C).
void BuildCodes(const uint8_t (&counts)[16], const uint8_t* symbols,
                unsigned short (&codes)[256][2]) {
    unsigned code = 0;
    for (int length = 1, k = 0; length <= 16; ++length, code <<= 1)
        for (int i = 0; i < counts[length - 1]; ++i, ++k) {
            codes[symbols[k]][0] = static_cast<unsigned short>(code++);
            codes[symbols[k]][1] = static_cast<unsigned short>(length);
        }
}

std::unique_ptr<JpegLayout> MakeLayout(int width, int height, int quality) {
    auto layout = std::make_unique<JpegLayout>();
    layout->width = width;
    layout->height = height;
    quality = EncoderQuality(quality);
    layout->subsample = quality <= 90;
    layout->mcuSize = layout->subsample ? 16 : 8;
    layout->mcusPerRow = (width + layout->mcuSize - 1) / layout->mcuSize;
    layout->mcuRows = (height + layout->mcuSize - 1) / layout->mcuSize;
    const int scale = quality < 50 ? 5000 / quality : 200 - quality * 2;
    const auto zigzag = stb_x87::stbiw__jpg_ZigZag;
    for (int i = 0; i < 64; ++i) {
        layout->lumaTable[zigzag[i]] =
            static_cast<uint8_t>(std::clamp((kLumaQuantisation[i] * scale + 50) / 100, 1, 255));
        layout->chromaTable[zigzag[i]] =
            static_cast<uint8_t>(std::clamp((kChromaQuantisation[i] * scale + 50) / 100, 1, 255));
    }
    BuildCodes(kDcLumaCounts, kDcSymbols, layout->dcLuma);
    BuildCodes(kAcLumaCounts, kAcLumaSymbols, layout->acLuma);
    BuildCodes(kDcChromaCounts, kDcSymbols, layout->dcChroma);
    BuildCodes(kAcChromaCounts, kAcChromaSymbols, layout->acChroma);
    return layout;
}

void AppendSegment(std::string& out, uint8_t marker,
                   std::initializer_list<std::string_view> parts) {
    size_t length = 2;
    for (auto part : parts) length += part.size();
    out += '\xFF';
    out += static_cast<char>(marker);
    out += static_cast<char>(length >> 8);
    out += static_cast<char>(length & 0xFF);
    for (auto part : parts) out += part;
}

std::string_view Bytes(const uint8_t* data, size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}
std::string Bytes(std::initializer_list<int> values) {
    std::string bytes;
    for (int value : values) bytes += static_cast<char>(value);
    return bytes;
}

// Everything before the first entropy-coded byte: SOI, JFIF, tables, frame, restart interval
// (one row of MCUs) and scan header.
std::string JpegHeader(const JpegLayout& layout) {
    std::string out = "\xFF\xD8";
    AppendSegment(out, 0xE0, {Bytes({'J', 'F', 'I', 'F', 0, 1, 1, 0, 0, 1, 0, 1, 0, 0})});
    AppendSegment(
        out, 0xDB,
        {Bytes({0}), Bytes(layout.lumaTable, 64), Bytes({1}), Bytes(layout.chromaTable, 64)});
    AppendSegment(
        out, 0xC0,
        {Bytes({8, layout.height >> 8, layout.height & 0xFF, layout.width >> 8, layout.width & 0xFF,
                3, 1, layout.subsample ? 0x22 : 0x11, 0, 2, 0x11, 1, 3, 0x11, 1})});
    AppendSegment(out, 0xC4,
                  {Bytes({0x00}), Bytes(kDcLumaCounts, 16), Bytes(kDcSymbols, 12), Bytes({0x10}),
                   Bytes(kAcLumaCounts, 16), Bytes(kAcLumaSymbols, 162), Bytes({0x01}),
                   Bytes(kDcChromaCounts, 16), Bytes(kDcSymbols, 12), Bytes({0x11}),
                   Bytes(kAcChromaCounts, 16), Bytes(kAcChromaSymbols, 162)});
    AppendSegment(out, 0xDD, {Bytes({layout.mcusPerRow >> 8, layout.mcusPerRow & 0xFF})});
    AppendSegment(out, 0xDA, {Bytes({3, 1, 0x00, 2, 0x11, 3, 0x11, 0, 63, 0})});
    return out;
}

std::string EncodePiece(const JpegLayout& layout, const Image& image, int firstMcuRow, int mcuRows,
                        bool sse2) {
    return sse2 ? stb_sse2::EncodeMcuRows(layout, image, firstMcuRow, mcuRows)
                : stb_x87::EncodeMcuRows(layout, image, firstMcuRow, mcuRows);
}

}  // namespace

// What the caller's thread and the encoder threads share.
struct JpegInPieces::Shared {
    enum class State { Queued, Encoding, Done, Failed };
    struct Piece {
        int firstMcuRow = 0;
        int mcuRows = 0;
        State state = State::Queued;
        std::string bytes;
    };

    Shared(const Image& image, int quality, JpegMath math)
        : image(image),
          layout(MakeLayout(image.width(), image.height(), quality)),
          sse2(UseSse2(math)) {}

    // Encodes the first queued piece, outside the lock; false when none is queued.
    bool EncodeOne(std::unique_lock<std::mutex>& lock) {
        const auto piece = std::find_if(pieces.begin(), pieces.end(),
                                        [](const Piece& p) { return p.state == State::Queued; });
        if (piece == pieces.end()) return false;
        piece->state = State::Encoding;
        Piece& encoding = *piece;  // a deque's elements stay where they are as it grows
        lock.unlock();
        std::string bytes;
        bool encoded = true;
        try {
            bytes = EncodePiece(*layout, image, encoding.firstMcuRow, encoding.mcuRows, sse2);
        } catch (const std::bad_alloc&) {
            encoded = false;
        }
        lock.lock();
        encoding.bytes = std::move(bytes);
        encoding.state = encoded ? State::Done : State::Failed;
        changed.notify_all();
        return true;
    }

    const Image& image;
    const std::unique_ptr<const JpegLayout> layout;
    const bool sse2;
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<Piece> pieces;  // in file order, from the first one not yet written
    bool ending = false;
};

namespace {

// Pieces small enough that the rows which come last, when the writer already waits for them,
// are shared out between the processors.
constexpr int kPieceMcuRows = 8;
// The encoder's frames take a few kilobytes.
constexpr SIZE_T kEncoderStack = 256 * 1024;

}  // namespace

JpegInPieces::JpegInPieces(const Image& image, int quality, JpegMath math)
    : image_(image), shared_(std::make_unique<Shared>(image, quality, math)) {}

JpegInPieces::~JpegInPieces() {
    {
        std::lock_guard lock(shared_->mutex);
        shared_->ending = true;
    }
    shared_->changed.notify_all();
    for (const auto& encoder : encoders_) WaitForSingleObject(encoder.get(), INFINITE);
}

DWORD WINAPI JpegInPieces::EncoderThread(void* context) {
    auto& shared = *static_cast<Shared*>(context);
    std::unique_lock lock(shared.mutex);
    while (!shared.ending)
        if (!shared.EncodeOne(lock)) shared.changed.wait(lock);
    return 0;
}

// One thread for each processor but the caller's, which draws the rows meanwhile and helps with
// the last ones. With none to be had, the caller encodes every piece in WriteTo.
void JpegInPieces::StartEncoders() {
    const int count = std::clamp(static_cast<int>(std::thread::hardware_concurrency()) - 1, 1, 7);
    for (int i = 0; i < count; ++i) {
        UniqueHandleK thread(CreateThread(nullptr, kEncoderStack, &JpegInPieces::EncoderThread,
                                          shared_.get(), STACK_SIZE_PARAM_IS_A_RESERVATION,
                                          nullptr));
        if (!thread) break;
        encoders_.push_back(std::move(thread));
    }
}

void JpegInPieces::RowsReady(int rows) {
    const JpegLayout& layout = *shared_->layout;
    const int end = rows >= image_.height() ? layout.mcuRows : rows / layout.mcuSize;
    if (end <= queuedMcuRows_) return;
    if (encoders_.empty()) StartEncoders();
    {
        std::lock_guard lock(shared_->mutex);
        for (; queuedMcuRows_ < end; queuedMcuRows_ += kPieceMcuRows)
            shared_->pieces.push_back(
                {queuedMcuRows_, std::min(kPieceMcuRows, end - queuedMcuRows_)});
        queuedMcuRows_ = end;
    }
    shared_->changed.notify_all();
}

void JpegInPieces::WriteReady(PendingFile& file) {
    if (!headerWritten_) {
        const std::string header = JpegHeader(*shared_->layout);
        file.write(header.data(), header.size());
        headerWritten_ = true;
    }
    std::unique_lock lock(shared_->mutex);
    while (!shared_->pieces.empty() && shared_->pieces.front().state == Shared::State::Done) {
        const std::string bytes = std::move(shared_->pieces.front().bytes);
        shared_->pieces.pop_front();
        lock.unlock();
        file.write(bytes.data(), bytes.size());
        lock.lock();
    }
}

Status JpegInPieces::WriteFile(const std::wstring& path) {
    if (image_.empty()) return NoImageToSave();
    auto file = PendingFile::Create(path);
    if (!file) return file.error();
    PAGELENS_RETURN_IF_ERROR(WriteTo(file.value()));
    return file.value().commit();
}

Status JpegInPieces::WriteTo(PendingFile& file) {
    if (image_.empty()) return NoImageToSave();
    if (image_.width() > kLargestJpegSide || image_.height() > kLargestJpegSide)
        return TooLargeForJpeg();
    RowsReady(image_.height());
    for (;;) {
        WriteReady(file);
        std::unique_lock lock(shared_->mutex);
        if (shared_->pieces.empty()) break;
        if (shared_->pieces.front().state == Shared::State::Failed) return errors::OutOfMemory();
        // The next piece is another thread's: this one takes a later one, or waits.
        if (shared_->pieces.front().state != Shared::State::Done && !shared_->EncodeOne(lock))
            shared_->changed.wait(lock);
    }
    file.write("\xFF\xD9", 2);
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

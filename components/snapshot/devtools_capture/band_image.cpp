#include "components/snapshot/devtools_capture/band_image.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>
#include <vector>

#include "components/snapshot/core/capture_failure.h"
#include "imaging/stb_decoder.h"

namespace pagelens::capture {
namespace {

constexpr uint32_t kWhite = 0xFFFFFFFFu;
constexpr unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

RunError NotAPng() { return Failed(L"The capture browser sent a band that is not a PNG image"); }

uint32_t BigEndian32(const unsigned char* bytes) {
    return uint32_t(bytes[0]) << 24 | uint32_t(bytes[1]) << 16 | uint32_t(bytes[2]) << 8 | bytes[3];
}

struct Chunk {
    std::string_view type;
    std::string_view data;
};

// The chunks of a PNG in order; a chunk that runs past the end ends the walk.
class Chunks {
public:
    explicit Chunks(std::string_view png) : png_(png) {}

    bool signatureOk() const {
        return png_.size() >= sizeof kSignature &&
               std::memcmp(png_.data(), kSignature, sizeof kSignature) == 0;
    }
    // The next chunk, or nothing at the end or at a chunk that does not fit.
    std::optional<Chunk> Next() {
        if (at_ + 12 > png_.size()) return std::nullopt;
        const auto* bytes = reinterpret_cast<const unsigned char*>(png_.data()) + at_;
        const uint32_t length = BigEndian32(bytes);
        if (length > png_.size() - at_ - 12) return std::nullopt;
        Chunk chunk{png_.substr(at_ + 4, 4), png_.substr(at_ + 8, length)};
        at_ += size_t(length) + 12;  // length, type, data, CRC
        return chunk;
    }

private:
    std::string_view png_;
    size_t at_ = sizeof kSignature;
};

struct PngHeader {
    int width = 0;
    int height = 0;
    int channels = 0;  // 3 RGB or 4 RGBA, 8 bits each, not interlaced: what the browser sends
};

// The header, if the image is of the one form that is decoded here directly.
std::optional<PngHeader> DirectForm(const Chunk& header) {
    if (header.type != "IHDR" || header.data.size() != 13) return std::nullopt;
    const auto* bytes = reinterpret_cast<const unsigned char*>(header.data.data());
    const uint32_t width = BigEndian32(bytes), height = BigEndian32(bytes + 4);
    const int bitDepth = bytes[8], colourType = bytes[9];
    const bool plain = bytes[10] == 0 && bytes[11] == 0 && bytes[12] == 0;
    if (width == 0 || height == 0 || width > (1u << 20) || height > (1u << 20) || bitDepth != 8 ||
        (colourType != 2 && colourType != 6) || !plain)
        return std::nullopt;
    return PngHeader{int(width), int(height), colourType == 6 ? 4 : 3};
}

struct Inflater {
    Inflater() { ok = inflateInit(&stream) == Z_OK; }
    ~Inflater() {
        if (ok) inflateEnd(&stream);
    }
    Inflater(const Inflater&) = delete;
    Inflater& operator=(const Inflater&) = delete;
    z_stream stream{};
    bool ok = false;
};

// The image data, inflated as it is asked for, across as many IDAT chunks as it takes.
class ImageData {
public:
    explicit ImageData(Chunks& chunks) : chunks_(chunks) {}
    bool ok() const { return inflater_.ok; }

    // Fills `out` whole, or fails on data that ends early or is broken.
    bool Read(unsigned char* out, size_t size) {
        z_stream& z = inflater_.stream;
        z.next_out = out;
        z.avail_out = static_cast<uInt>(size);
        while (z.avail_out > 0) {
            if (z.avail_in == 0 && !NextChunk()) return false;
            const int result = inflate(&z, Z_NO_FLUSH);
            if (result == Z_STREAM_END) return z.avail_out == 0;
            if (result != Z_OK) return false;
        }
        return true;
    }

private:
    bool NextChunk() {
        while (auto chunk = chunks_.Next()) {
            if (chunk->type != "IDAT") continue;
            inflater_.stream.next_in =
                reinterpret_cast<Bytef*>(const_cast<char*>(chunk->data.data()));
            inflater_.stream.avail_in = static_cast<uInt>(chunk->data.size());
            return true;
        }
        return false;
    }

    Chunks& chunks_;
    Inflater inflater_;
};

unsigned char Paeth(int left, int up, int upLeft) {
    const int estimate = left + up - upLeft;
    const int toLeft = std::abs(estimate - left), toUp = std::abs(estimate - up),
              toUpLeft = std::abs(estimate - upLeft);
    if (toLeft <= toUp && toLeft <= toUpLeft) return static_cast<unsigned char>(left);
    if (toUp <= toUpLeft) return static_cast<unsigned char>(up);
    return static_cast<unsigned char>(upLeft);
}

// Undoes a row's filter in place; `above` is the row before, unfiltered (zeros for the first).
bool Unfilter(int filter, unsigned char* row, const unsigned char* above, size_t size, int step) {
    switch (filter) {
        case 0:
            return true;
        case 1:
            for (size_t i = step; i < size; ++i) row[i] += row[i - step];
            return true;
        case 2:
            for (size_t i = 0; i < size; ++i) row[i] += above[i];
            return true;
        case 3:
            for (size_t i = 0; i < size; ++i)
                row[i] += (int(i >= size_t(step) ? row[i - step] : 0) + above[i]) >> 1;
            return true;
        case 4:
            for (size_t i = 0; i < size; ++i) {
                const bool first = i < size_t(step);
                row[i] += Paeth(first ? 0 : row[i - step], above[i], first ? 0 : above[i - step]);
            }
            return true;
        default:
            return false;
    }
}

// One decoded row of RGB or RGBA into image row `y`, white past its width.
void PlaceRow(const unsigned char* source, int channels, int width, Image& image, int y) {
    uint32_t* target = image.row(y);
    if (channels == 4) {
        for (int x = 0; x < width; ++x, source += 4)
            target[x] = uint32_t(source[3]) << 24 | uint32_t(source[0]) << 16 |
                        uint32_t(source[1]) << 8 | source[2];
    } else {
        for (int x = 0; x < width; ++x, source += 3)
            target[x] =
                0xFF000000u | uint32_t(source[0]) << 16 | uint32_t(source[1]) << 8 | source[2];
    }
    std::fill(target + width, target + image.width(), kWhite);
}

// Rows the band did not cover.
void FillWhite(Image& image, int firstRow, int endRow) {
    for (int y = firstRow; y < endRow; ++y)
        std::fill(image.row(y), image.row(y) + image.width(), kWhite);
}

// Inflates and unfilters the rows straight into the image: no whole decoded copy of the band.
Status PlaceDirectly(const PngHeader& header, Chunks& chunks, int top, int rows, Image& image) {
    ImageData data(chunks);
    if (!data.ok()) return Failed(L"There is not enough memory to decode a captured band");
    const size_t stride = size_t(header.width) * header.channels;
    std::vector<unsigned char> current(stride + 1), previous(stride + 1, 0);
    const int copyWidth = std::min(header.width, image.width());
    const int copyRows = std::min(header.height, rows);
    for (int y = 0; y < copyRows; ++y) {
        if (!data.Read(current.data(), current.size())) return NotAPng();
        unsigned char* pixels = current.data() + 1;
        if (!Unfilter(current[0], pixels, previous.data() + 1, stride, header.channels))
            return NotAPng();
        PlaceRow(pixels, header.channels, copyWidth, image, top + y);
        current.swap(previous);
    }
    FillWhite(image, top + copyRows, top + rows);
    return {};
}

// Any other form of PNG, through a whole decoded copy.
Status PlaceThroughStb(std::string_view png, int top, int rows, Image& image) {
    const DecodedRgba decoded = DecodeToRgba(png.data(), png.size());
    if (!decoded.rgba) return NotAPng();
    const int width = decoded.width, height = decoded.height;
    const unsigned char* rgba = decoded.rgba.get();

    const int copyWidth = std::min(width, image.width());
    const int copyRows = std::min(height, rows);
    for (int y = 0; y < copyRows; ++y)
        PlaceRow(rgba + static_cast<size_t>(y) * width * 4, 4, copyWidth, image, top + y);
    FillWhite(image, top + copyRows, top + rows);
    return {};
}

}  // namespace

void ReadyRows(int top, int rows, Image& image) {
    FillWhite(image, std::clamp(top, 0, image.height()), std::clamp(top + rows, 0, image.height()));
}

Status PlaceBand(std::string_view png, int top, int rows, Image& image) {
    if (top < 0 || rows < 0 || top + rows > image.height())
        return Failed(L"A captured band lies outside the page image");
    Chunks chunks(png);
    if (!chunks.signatureOk()) return NotAPng();
    const auto first = chunks.Next();
    if (!first) return NotAPng();
    if (const auto header = DirectForm(*first))
        return PlaceDirectly(*header, chunks, top, rows, image);
    return PlaceThroughStb(png, top, rows, image);
}

}  // namespace pagelens::capture

// The viewer's transforms on a page image: gray scale, black and white, and resizing. They work
// in place (the conversions) or into one new image (resize), in integer arithmetic, with at most
// the source and the result alive as full-size buffers.
#include "components/viewer/image_ops.h"

#include <algorithm>
#include <array>
#include <new>
#include <vector>

namespace pagelens {
namespace {

RunError InvalidArgument() { return {5, L"iePagelens", L"Invalid procedure call or argument"}; }
using errors::OutOfMemory;

// BT.601 luminance, rounded half up; exact for every colour.
inline uint32_t LuminanceOf(uint32_t pixel) {
    return (299 * RedOf(pixel) + 587 * GreenOf(pixel) + 114 * BlueOf(pixel) + 500) / 1000;
}

inline uint32_t GrayPixel(uint32_t alpha, uint32_t level) {
    return alpha | level << 16 | level << 8 | level;
}

using Histogram = std::array<uint32_t, 256>;

// Converts to gray and counts the levels in the same pass, so that thresholding afterwards
// only has to compare one channel.
Histogram GrayWithHistogram(Image& image) {
    Histogram histogram{};
    uint32_t* p = image.pixels();
    uint32_t* end = p + image.pixelCount();
    for (; p != end; ++p) {
        const uint32_t level = LuminanceOf(*p);
        ++histogram[level];
        *p = GrayPixel(*p & 0xFF000000u, level);
    }
    return histogram;
}

// Otsu's threshold: the level that best separates the histogram into two classes. A page's
// text and background form two such classes whatever their shades, so light gray text on white
// stays visible (a fixed cut at 128 loses it) and white text on a dark bar stays light.
// Levels up to and including the result become black. An image of one shade has no best cut;
// it is then judged against the middle.
int OtsuThreshold(const Histogram& histogram) {
    double total = 0, weightedTotal = 0;
    for (int level = 0; level < 256; ++level) {
        total += histogram[level];
        weightedTotal += double(level) * histogram[level];
    }
    double below = 0, weightedBelow = 0, bestSpread = 0;
    int best = 127;
    for (int level = 0; level < 255; ++level) {
        below += histogram[level];
        weightedBelow += double(level) * histogram[level];
        const double above = total - below;
        if (below == 0 || above == 0) continue;
        const double meanBelow = weightedBelow / below;
        const double meanAbove = (weightedTotal - weightedBelow) / above;
        const double spread = below * above * (meanAbove - meanBelow) * (meanAbove - meanBelow);
        if (spread > bestSpread) {
            bestSpread = spread;
            best = level;
        }
    }
    return best;
}

// ---- Resizing -------------------------------------------------------------------------------
// Separable: each source row is resampled horizontally once into a 16-bit row (8.8 fixed
// point), and output rows blend those rows vertically. Only three resampled rows are kept.
// (Or the other way round where that is cheaper; see the end.)

// Weights sum to 1 << 16. Row values are 8-bit channels times 256, at most 65280, so a
// vertical sum stays below 65280 << 16 plus rounding, inside 32 bits.
constexpr int kWeightBits = 16;
constexpr uint32_t kWeightOne = 1u << kWeightBits;

// Which source pixels make one output pixel along one axis, and how much each counts.
struct AxisWeights {
    int taps = 0;                  // stride of `weight`
    std::vector<int> first;        // per output position
    std::vector<int> count;        // per output position
    std::vector<uint32_t> weight;  // per output position, `taps` slots, summing to kWeightOne
};

// Turns exact integer shares (summing to `whole`) into weights summing exactly to kWeightOne.
// Rounding the running total rather than each share keeps every weight within one unit of its
// true value and never below zero, however many shares there are. Shares that round to nothing
// at either end are dropped.
void StoreWeights(AxisWeights& axis, int out, int firstSource, const std::vector<int64_t>& shares,
                  int64_t whole) {
    uint32_t* weights = axis.weight.data() + static_cast<size_t>(out) * axis.taps;
    int64_t runningShare = 0;
    uint32_t runningWeight = 0;
    int begin = -1, end = 0;
    for (size_t i = 0; i < shares.size(); ++i) {
        runningShare += shares[i];
        const auto upTo = static_cast<uint32_t>((runningShare * kWeightOne + whole / 2) / whole);
        const uint32_t weight = upTo - runningWeight;
        runningWeight = upTo;
        if (weight == 0 && begin < 0) continue;
        if (begin < 0) begin = static_cast<int>(i);
        weights[i - begin] = weight;
        if (weight != 0) end = static_cast<int>(i) + 1;
    }
    axis.first[out] = firstSource + begin;
    axis.count[out] = end - begin;
}

// Area averaging: output i covers source [i*src/dst, (i+1)*src/dst). In units of 1/dst of a
// source pixel every boundary is a whole number, so the shares are exact.
AxisWeights AreaWeights(int sourceLength, int targetLength) {
    AxisWeights axis;
    axis.taps = (sourceLength + targetLength - 1) / targetLength + 1;
    axis.first.resize(targetLength);
    axis.count.resize(targetLength);
    axis.weight.assign(static_cast<size_t>(targetLength) * axis.taps, 0);
    std::vector<int64_t> shares;
    for (int out = 0; out < targetLength; ++out) {
        const int64_t from = int64_t(out) * sourceLength;
        const int64_t to = from + sourceLength;
        const int firstSource = static_cast<int>(from / targetLength);
        const int lastSource = static_cast<int>((to - 1) / targetLength);
        shares.clear();
        for (int s = firstSource; s <= lastSource; ++s) {
            const int64_t pixelFrom = int64_t(s) * targetLength;
            shares.push_back(std::min(to, pixelFrom + targetLength) - std::max(from, pixelFrom));
        }
        StoreWeights(axis, out, firstSource, shares, sourceLength);
    }
    return axis;
}

// Bilinear between pixel centres: output i samples source (i + 0.5) * src/dst - 0.5, clamped
// at the edges. Positions are exact in units of 1/(2*dst).
AxisWeights BilinearWeights(int sourceLength, int targetLength) {
    AxisWeights axis;
    axis.taps = 2;
    axis.first.resize(targetLength);
    axis.count.resize(targetLength);
    axis.weight.assign(static_cast<size_t>(targetLength) * 2, 0);
    const int64_t unit = 2 * int64_t(targetLength);
    std::vector<int64_t> shares(2);
    for (int out = 0; out < targetLength; ++out) {
        const int64_t position = (2 * int64_t(out) + 1) * sourceLength - targetLength;
        if (position <= 0 || position >= (sourceLength - 1) * unit) {
            const int edge = position <= 0 ? 0 : sourceLength - 1;
            StoreWeights(axis, out, edge, {1}, 1);
            continue;
        }
        const int left = static_cast<int>(position / unit);
        const int64_t fraction = position - left * unit;
        shares[0] = unit - fraction;
        shares[1] = fraction;
        StoreWeights(axis, out, left, shares, unit);
    }
    return axis;
}

AxisWeights WeightsFor(int sourceLength, int targetLength) {
    return targetLength < sourceLength ? AreaWeights(sourceLength, targetLength)
                                       : BilinearWeights(sourceLength, targetLength);
}

// The horizontal pass runs once for every source row, so it gets a fixed number of taps per
// output pixel (padding with zero weights) and a loop the compiler can unroll. Windows near the
// right edge move left rather than read past the row.
void PadToUniformTaps(AxisWeights& axis, int sourceLength) {
    const int taps = *std::max_element(axis.count.begin(), axis.count.end());
    std::vector<uint32_t> padded(axis.first.size() * taps, 0);
    for (size_t out = 0; out < axis.first.size(); ++out) {
        const int start = std::min(axis.first[out], sourceLength - taps);
        const uint32_t* from = axis.weight.data() + out * axis.taps;
        std::copy(from, from + axis.count[out],
                  padded.begin() + out * taps + (axis.first[out] - start));
        axis.first[out] = start;
        axis.count[out] = taps;
    }
    axis.taps = taps;
    axis.weight = std::move(padded);
}

template <int Taps>
void ResampleRowWith(const uint32_t* source, const AxisWeights& axis, int taps, uint16_t* out) {
    if constexpr (Taps > 0) taps = Taps;
    const int width = static_cast<int>(axis.first.size());
    const uint32_t* weights = axis.weight.data();
    for (int x = 0; x < width; ++x, weights += taps, out += 4) {
        // Bytes B, G, R, A of each pixel, read one by one.
        const auto* pixel = reinterpret_cast<const uint8_t*>(source + axis.first[x]);
        uint32_t b = 0, g = 0, r = 0, a = 0;
        for (int k = 0; k < taps; ++k, pixel += 4) {
            const uint32_t w = weights[k];
            b += pixel[0] * w;
            g += pixel[1] * w;
            r += pixel[2] * w;
            a += pixel[3] * w;
        }
        constexpr int shift = kWeightBits - 8;
        constexpr uint32_t half = 1u << (shift - 1);
        out[0] = static_cast<uint16_t>((b + half) >> shift);
        out[1] = static_cast<uint16_t>((g + half) >> shift);
        out[2] = static_cast<uint16_t>((r + half) >> shift);
        out[3] = static_cast<uint16_t>((a + half) >> shift);
    }
}

// One source row to `out` (4 channels per output pixel, value * 256).
void ResampleRow(const uint32_t* source, const AxisWeights& axis, uint16_t* out) {
    switch (axis.taps) {
        case 1:
            return ResampleRowWith<1>(source, axis, 1, out);
        case 2:
            return ResampleRowWith<2>(source, axis, 2, out);
        case 3:
            return ResampleRowWith<3>(source, axis, 3, out);
        case 4:
            return ResampleRowWith<4>(source, axis, 4, out);
        default:
            return ResampleRowWith<0>(source, axis, axis.taps, out);
    }
}

// The most recently resampled source rows. Output rows take their source rows in order and
// consecutive outputs share at most their boundary rows, so each source row is resampled once.
class ResampledRows {
public:
    static constexpr int kSlots = 3;

    ResampledRows(const Image& source, const AxisWeights& horizontal)
        : source_(source), horizontal_(horizontal) {
        const size_t length = horizontal.first.size() * 4;
        for (auto& slot : slots_) slot.values.resize(length);
    }

    // Valid until kSlots further rows have been asked for.
    const uint16_t* row(int y) {
        Slot* oldest = &slots_[0];
        for (auto& slot : slots_) {
            if (slot.y == y) return slot.values.data();
            if (slot.y < oldest->y) oldest = &slot;
        }
        ResampleRow(source_.row(y), horizontal_, oldest->values.data());
        oldest->y = y;
        return oldest->values.data();
    }

private:
    struct Slot {
        int y = -1;
        std::vector<uint16_t> values;
    };
    const Image& source_;
    const AxisWeights& horizontal_;
    std::array<Slot, kSlots> slots_;
};

constexpr int kOutputShift = kWeightBits + 8;
constexpr uint32_t kOutputHalf = 1u << (kOutputShift - 1);

inline uint32_t PackChannels(uint32_t b, uint32_t g, uint32_t r, uint32_t a) {
    return (a + kOutputHalf) >> kOutputShift << 24 | (r + kOutputHalf) >> kOutputShift << 16 |
           (g + kOutputHalf) >> kOutputShift << 8 | (b + kOutputHalf) >> kOutputShift;
}

// An output row made of up to kSlots resampled rows, in one pass.
template <int Rows>
void BlendRows(const std::array<const uint16_t*, Rows>& rows, const uint32_t* weights, int width,
               uint32_t* out) {
    for (int i = 0; i < width * 4; i += 4) {
        uint32_t sum[4] = {};
        for (int k = 0; k < Rows; ++k)
            for (int c = 0; c < 4; ++c) sum[c] += rows[k][i + c] * weights[k];
        out[i / 4] = PackChannels(sum[0], sum[1], sum[2], sum[3]);
    }
}

// Output rows made of many source rows (strong shrinking) sum into `sums` first.
void BlendManyRows(ResampledRows& rows, int firstRow, int count, const uint32_t* weights,
                   std::vector<uint32_t>& sums, uint32_t* out) {
    std::fill(sums.begin(), sums.end(), 0);
    for (int k = 0; k < count; ++k) {
        const uint16_t* row = rows.row(firstRow + k);
        const uint32_t w = weights[k];
        for (size_t i = 0; i < sums.size(); ++i) sums[i] += row[i] * w;
    }
    for (size_t i = 0; i < sums.size(); i += 4)
        out[i / 4] = PackChannels(sums[i], sums[i + 1], sums[i + 2], sums[i + 3]);
}

void BlendOutputRow(ResampledRows& rows, const AxisWeights& vertical, int y,
                    std::vector<uint32_t>& sums, uint32_t* out) {
    const int first = vertical.first[y];
    const uint32_t* weights = vertical.weight.data() + static_cast<size_t>(y) * vertical.taps;
    const int width = static_cast<int>(sums.size() / 4);
    // All of a window's rows are fetched before any is used: each fetch may evict a slot.
    switch (vertical.count[y]) {
        case 1:
            return BlendRows<1>({rows.row(first)}, weights, width, out);
        case 2:
            return BlendRows<2>({rows.row(first), rows.row(first + 1)}, weights, width, out);
        case 3:
            return BlendRows<3>({rows.row(first), rows.row(first + 1), rows.row(first + 2)},
                                weights, width, out);
        default:
            return BlendManyRows(rows, first, vertical.count[y], weights, sums, out);
    }
}

// ---- Vertical first. When the width grows while the height shrinks a lot (a wide strip from
// a tall page), resampling every source row across would cost far more than blending the few
// output rows at the source's width first and resampling those across.

// Source rows [first, first + count) blended into one row at the source's width (value * 256).
void BlendSourceRows(const Image& source, int first, int count, const uint32_t* weights,
                     std::vector<uint32_t>& sums, uint16_t* out) {
    std::fill(sums.begin(), sums.end(), 0);
    for (int k = 0; k < count; ++k) {
        const auto* bytes = reinterpret_cast<const uint8_t*>(source.row(first + k));
        const uint32_t w = weights[k];
        for (size_t i = 0; i < sums.size(); ++i) sums[i] += bytes[i] * w;
    }
    constexpr int shift = kWeightBits - 8;
    constexpr uint32_t half = 1u << (shift - 1);
    for (size_t i = 0; i < sums.size(); ++i)
        out[i] = static_cast<uint16_t>((sums[i] + half) >> shift);
}

// One blended row (value * 256) resampled across into output pixels.
template <int Taps>
void ResampleBlendedRowWith(const uint16_t* row, const AxisWeights& axis, int taps, uint32_t* out) {
    if constexpr (Taps > 0) taps = Taps;
    const int width = static_cast<int>(axis.first.size());
    const uint32_t* weights = axis.weight.data();
    for (int x = 0; x < width; ++x, weights += taps) {
        const uint16_t* values = row + 4 * axis.first[x];
        uint32_t b = 0, g = 0, r = 0, a = 0;
        for (int k = 0; k < taps; ++k, values += 4) {
            const uint32_t w = weights[k];
            b += values[0] * w;
            g += values[1] * w;
            r += values[2] * w;
            a += values[3] * w;
        }
        out[x] = PackChannels(b, g, r, a);
    }
}

void ResampleBlendedRow(const uint16_t* row, const AxisWeights& axis, uint32_t* out) {
    switch (axis.taps) {
        case 1:
            return ResampleBlendedRowWith<1>(row, axis, 1, out);
        case 2:
            return ResampleBlendedRowWith<2>(row, axis, 2, out);
        case 3:
            return ResampleBlendedRowWith<3>(row, axis, 3, out);
        case 4:
            return ResampleBlendedRowWith<4>(row, axis, 4, out);
        default:
            return ResampleBlendedRowWith<0>(row, axis, axis.taps, out);
    }
}

// Multiply-adds of each order, per channel.
bool VerticalFirstIsCheaper(const Image& source, const Image& target, const AxisWeights& horizontal,
                            const AxisWeights& vertical) {
    double verticalTaps = 0;
    for (int count : vertical.count) verticalTaps += count;
    const double across = double(target.width()) * horizontal.taps;
    const double acrossFirst = source.height() * across + verticalTaps * target.width();
    const double downFirst = verticalTaps * source.width() + target.height() * across;
    return downFirst < acrossFirst;
}

void ResizeInto(const Image& source, Image& target) {
    AxisWeights horizontal = WeightsFor(source.width(), target.width());
    PadToUniformTaps(horizontal, source.width());
    const AxisWeights vertical = WeightsFor(source.height(), target.height());
    if (VerticalFirstIsCheaper(source, target, horizontal, vertical)) {
        std::vector<uint32_t> sums(static_cast<size_t>(source.width()) * 4);
        std::vector<uint16_t> blended(sums.size());
        for (int y = 0; y < target.height(); ++y) {
            const uint32_t* weights = vertical.weight.data() + size_t(y) * vertical.taps;
            BlendSourceRows(source, vertical.first[y], vertical.count[y], weights, sums,
                            blended.data());
            ResampleBlendedRow(blended.data(), horizontal, target.row(y));
        }
        return;
    }
    ResampledRows rows(source, horizontal);
    std::vector<uint32_t> sums(static_cast<size_t>(target.width()) * 4);
    for (int y = 0; y < target.height(); ++y)
        BlendOutputRow(rows, vertical, y, sums, target.row(y));
}

}  // namespace

void ConvertToGray(Image& image) {
    uint32_t* p = image.pixels();
    uint32_t* end = p + image.pixelCount();
    for (; p != end; ++p) *p = GrayPixel(*p & 0xFF000000u, LuminanceOf(*p));
}

void ConvertToBlackAndWhite(Image& image) {
    if (image.empty()) return;
    const uint32_t threshold = static_cast<uint32_t>(OtsuThreshold(GrayWithHistogram(image)));
    uint32_t* p = image.pixels();
    uint32_t* end = p + image.pixelCount();
    for (; p != end; ++p) *p = (*p & 0xFF000000u) | ((*p & 0xFFu) <= threshold ? 0u : 0xFFFFFFu);
}

Result<Image> ResizeImage(const Image& source, int width, int height) {
    if (source.empty() || width < 1 || height < 1) return InvalidArgument();
    Image target(width, height);
    if (target.empty()) return OutOfMemory();
    if (width == source.width() && height == source.height()) {
        std::copy(source.pixels(), source.pixels() + source.pixelCount(), target.pixels());
        return target;
    }
    try {
        ResizeInto(source, target);
    } catch (const std::bad_alloc&) {
        return OutOfMemory();
    }
    return target;
}

}  // namespace pagelens

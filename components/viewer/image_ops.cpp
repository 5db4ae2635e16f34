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
RunError OutOfMemory() { return {7, L"iePagelens", L"Out of memory"}; }

// BT.601 luminance, rounded half up; exact for every colour.
inline uint32_t LuminanceOf(uint32_t pixel) {
    return (299 * RedOf(pixel) + 587 * GreenOf(pixel) + 114 * BlueOf(pixel) + 500) / 1000;
}

inline uint32_t GrayPixel(uint32_t alpha, uint32_t level) {
    return alpha | level << 16 | level << 8 | level;
}

using Histogram = std::array<uint32_t, 256>;

Histogram LuminanceHistogram(const Image& image) {
    Histogram histogram{};
    const uint32_t* p = image.pixels();
    const uint32_t* end = p + image.pixelCount();
    for (; p != end; ++p) ++histogram[LuminanceOf(*p)];
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
// point), and output rows blend those rows vertically. Only two resampled rows are kept.

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

// One source row to `out` (4 channels per output pixel, value * 256).
void ResampleRow(const uint32_t* source, const AxisWeights& axis, uint16_t* out) {
    const int width = static_cast<int>(axis.first.size());
    const uint32_t* weights = axis.weight.data();
    for (int x = 0; x < width; ++x, weights += axis.taps, out += 4) {
        const uint32_t* pixel = source + axis.first[x];
        uint32_t b = 0, g = 0, r = 0, a = 0;
        for (int k = 0, n = axis.count[x]; k < n; ++k) {
            const uint32_t p = pixel[k], w = weights[k];
            b += (p & 0xFF) * w;
            g += (p >> 8 & 0xFF) * w;
            r += (p >> 16 & 0xFF) * w;
            a += (p >> 24) * w;
        }
        constexpr int shift = kWeightBits - 8;
        constexpr uint32_t half = 1u << (shift - 1);
        out[0] = static_cast<uint16_t>((b + half) >> shift);
        out[1] = static_cast<uint16_t>((g + half) >> shift);
        out[2] = static_cast<uint16_t>((r + half) >> shift);
        out[3] = static_cast<uint16_t>((a + half) >> shift);
    }
}

// The two most recently resampled source rows.
class ResampledRows {
public:
    ResampledRows(const Image& source, const AxisWeights& horizontal)
        : source_(source), horizontal_(horizontal) {
        const size_t length = horizontal.first.size() * 4;
        for (auto& slot : slots_) slot.values.resize(length);
    }

    const uint16_t* row(int y) {
        for (auto& slot : slots_)
            if (slot.y == y) return slot.values.data();
        Slot& victim = slots_[0].y < slots_[1].y ? slots_[0] : slots_[1];
        ResampleRow(source_.row(y), horizontal_, victim.values.data());
        victim.y = y;
        return victim.values.data();
    }

private:
    struct Slot {
        int y = -1;
        std::vector<uint16_t> values;
    };
    const Image& source_;
    const AxisWeights& horizontal_;
    std::array<Slot, 2> slots_;
};

constexpr int kOutputShift = kWeightBits + 8;
constexpr uint32_t kOutputHalf = 1u << (kOutputShift - 1);

inline uint32_t PackChannels(uint32_t b, uint32_t g, uint32_t r, uint32_t a) {
    return (a + kOutputHalf) >> kOutputShift << 24 | (r + kOutputHalf) >> kOutputShift << 16 |
           (g + kOutputHalf) >> kOutputShift << 8 | (b + kOutputHalf) >> kOutputShift;
}

void BlendOneRow(const uint16_t* row, int width, uint32_t* out) {
    for (int x = 0; x < width; ++x, row += 4)
        out[x] = PackChannels(row[0] * kWeightOne, row[1] * kWeightOne, row[2] * kWeightOne,
                              row[3] * kWeightOne);
}

void BlendTwoRows(const uint16_t* top, uint32_t wTop, const uint16_t* bottom, uint32_t wBottom,
                  int width, uint32_t* out) {
    for (int x = 0; x < width; ++x, top += 4, bottom += 4)
        out[x] = PackChannels(top[0] * wTop + bottom[0] * wBottom, top[1] * wTop + bottom[1] * wBottom,
                              top[2] * wTop + bottom[2] * wBottom, top[3] * wTop + bottom[3] * wBottom);
}

// Output rows made of many source rows (area averaging) sum into `sums` first.
void BlendManyRows(ResampledRows& rows, int firstRow, int count, const uint32_t* weights,
                   std::vector<uint32_t>& sums, uint32_t* out) {
    const size_t length = sums.size();
    const uint16_t* row = rows.row(firstRow);
    for (size_t i = 0; i < length; ++i) sums[i] = row[i] * weights[0];
    for (int k = 1; k < count - 1; ++k) {
        row = rows.row(firstRow + k);
        const uint32_t w = weights[k];
        for (size_t i = 0; i < length; ++i) sums[i] += row[i] * w;
    }
    row = rows.row(firstRow + count - 1);
    const uint32_t w = weights[count - 1];
    const uint32_t* sum = sums.data();
    for (size_t x = 0; x < length / 4; ++x, sum += 4, row += 4)
        out[x] = PackChannels(sum[0] + row[0] * w, sum[1] + row[1] * w, sum[2] + row[2] * w,
                              sum[3] + row[3] * w);
}

void ResizeInto(const Image& source, Image& target) {
    const AxisWeights horizontal = WeightsFor(source.width(), target.width());
    const AxisWeights vertical = WeightsFor(source.height(), target.height());
    ResampledRows rows(source, horizontal);
    std::vector<uint32_t> sums(static_cast<size_t>(target.width()) * 4);
    for (int y = 0; y < target.height(); ++y) {
        const int first = vertical.first[y];
        const uint32_t* weights = vertical.weight.data() + static_cast<size_t>(y) * vertical.taps;
        switch (vertical.count[y]) {
            case 1:
                BlendOneRow(rows.row(first), target.width(), target.row(y));
                break;
            case 2: {
                // Fetch both before using either: the second fetch may reuse a slot.
                const uint16_t* top = rows.row(first);
                const uint16_t* bottom = rows.row(first + 1);
                BlendTwoRows(top, weights[0], bottom, weights[1], target.width(), target.row(y));
                break;
            }
            default:
                BlendManyRows(rows, first, vertical.count[y], weights, sums, target.row(y));
        }
    }
}

}  // namespace

void ConvertToGray(Image& image) {
    uint32_t* p = image.pixels();
    uint32_t* end = p + image.pixelCount();
    for (; p != end; ++p) *p = GrayPixel(*p & 0xFF000000u, LuminanceOf(*p));
}

void ConvertToBlackAndWhite(Image& image) {
    if (image.empty()) return;
    const uint32_t threshold = static_cast<uint32_t>(OtsuThreshold(LuminanceHistogram(image)));
    uint32_t* p = image.pixels();
    uint32_t* end = p + image.pixelCount();
    for (; p != end; ++p)
        *p = GrayPixel(*p & 0xFF000000u, LuminanceOf(*p) <= threshold ? 0u : 255u);
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

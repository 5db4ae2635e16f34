// Palette choice for GIF files; see image_save_gif_palette.h.
#include "imaging/image_save_gif_palette.h"

#include <algorithm>
#include <new>

#include "imaging/image_save_output.h"

namespace pagelens {
namespace {

constexpr int kCellBits = 5;
constexpr int kCellsPerAxis = 1 << kCellBits;
constexpr int kCells = kCellsPerAxis * kCellsPerAxis * kCellsPerAxis;
constexpr size_t kMaxColors = 256;

inline uint32_t Rgb(uint32_t pixel) { return pixel & 0xFFFFFFu; }

inline uint32_t SlotOf(uint32_t rgb) {
    return (rgb * 2654435761u) >> 22;  // 10 bits: GifPalette::kExactSlots
}

// The histogram cell of a pixel: 5 bits each of red, green and blue.
inline uint32_t CellOf(uint32_t pixel) {
    return ((pixel >> 9) & 0x7C00u) | ((pixel >> 6) & 0x3E0u) | ((pixel >> 3) & 0x1Fu);
}

// Finds the image's colours while there are at most 256; false beyond that.
bool CollectExactColors(const Image& image, std::vector<uint32_t>& keys,
                        std::vector<uint8_t>& indices, std::vector<uint32_t>& colors) {
    keys.assign(GifPalette::kExactSlots, GifPalette::kNoColor);
    indices.assign(GifPalette::kExactSlots, 0);
    colors.clear();
    uint32_t last = GifPalette::kNoColor;
    const uint32_t* p = image.pixels();
    for (size_t i = 0, n = image.pixelCount(); i < n; ++i) {
        const uint32_t rgb = Rgb(p[i]);
        if (rgb == last) continue;
        last = rgb;
        uint32_t slot = SlotOf(rgb);
        while (keys[slot] != GifPalette::kNoColor && keys[slot] != rgb)
            slot = (slot + 1) & (GifPalette::kExactSlots - 1);
        if (keys[slot] == rgb) continue;
        if (colors.size() == kMaxColors) return false;
        keys[slot] = rgb;
        indices[slot] = uint8_t(colors.size());
        colors.push_back(rgb);
    }
    return true;
}

struct Cell {
    uint32_t count = 0;
    uint64_t red = 0, green = 0, blue = 0;  // sums of the exact channel values
};

// Pixel counts and channel sums per cell; runs of one colour are added at once.
bool BuildHistogram(const Image& image, std::unique_ptr<Cell[]>& cells) {
    cells.reset(new (std::nothrow) Cell[kCells]);
    if (!cells) return false;
    const uint32_t* p = image.pixels();
    const size_t n = image.pixelCount();
    size_t i = 0;
    while (i < n) {
        const uint32_t rgb = Rgb(p[i]);
        size_t run = 1;
        while (i + run < n && Rgb(p[i + run]) == rgb) ++run;
        Cell& cell = cells[CellOf(rgb)];
        cell.count += uint32_t(run);
        cell.red += uint64_t(RedOf(rgb)) * run;
        cell.green += uint64_t(GreenOf(rgb)) * run;
        cell.blue += uint64_t(BlueOf(rgb)) * run;
        i += run;
    }
    return true;
}

inline int CellIndex(int r, int g, int b) { return (r << 10) | (g << 5) | b; }

// A box of histogram cells, inclusive bounds per axis (0 red, 1 green, 2 blue).
struct Box {
    int lo[3], hi[3];
    uint64_t count = 0;
    int volume() const { return (hi[0] - lo[0] + 1) * (hi[1] - lo[1] + 1) * (hi[2] - lo[2] + 1); }
    bool splittable() const { return hi[0] > lo[0] || hi[1] > lo[1] || hi[2] > lo[2]; }
};

// Shrinks a box to its occupied cells and counts its pixels; false if it holds none.
bool FitBox(const Cell* cells, Box& box) {
    int lo[3] = {kCellsPerAxis, kCellsPerAxis, kCellsPerAxis}, hi[3] = {-1, -1, -1};
    uint64_t count = 0;
    for (int r = box.lo[0]; r <= box.hi[0]; ++r)
        for (int g = box.lo[1]; g <= box.hi[1]; ++g)
            for (int b = box.lo[2]; b <= box.hi[2]; ++b) {
                const uint32_t c = cells[CellIndex(r, g, b)].count;
                if (!c) continue;
                count += c;
                const int at[3] = {r, g, b};
                for (int k = 0; k < 3; ++k) {
                    lo[k] = std::min(lo[k], at[k]);
                    hi[k] = std::max(hi[k], at[k]);
                }
            }
    if (!count) return false;
    std::copy(lo, lo + 3, box.lo);
    std::copy(hi, hi + 3, box.hi);
    box.count = count;
    return true;
}

// Splits at the pixel median of the longest side; both halves keep at least one slice.
void SplitBox(const Cell* cells, const Box& box, Box& low, Box& high) {
    int axis = 0;
    for (int k = 1; k < 3; ++k)
        if (box.hi[k] - box.lo[k] > box.hi[axis] - box.lo[axis]) axis = k;
    uint64_t slices[kCellsPerAxis] = {};
    for (int r = box.lo[0]; r <= box.hi[0]; ++r)
        for (int g = box.lo[1]; g <= box.hi[1]; ++g)
            for (int b = box.lo[2]; b <= box.hi[2]; ++b) {
                const int at[3] = {r, g, b};
                slices[at[axis]] += cells[CellIndex(r, g, b)].count;
            }
    int cut = box.lo[axis];
    uint64_t below = slices[cut];
    while (cut + 1 < box.hi[axis] && below * 2 < box.count) below += slices[++cut];
    low = high = box;
    low.hi[axis] = cut;
    high.lo[axis] = cut + 1;
}

// Median cut: the most populous boxes first, then weighing population by size.
std::vector<Box> MedianCut(const Cell* cells) {
    std::vector<Box> boxes;
    Box all{{0, 0, 0}, {kCellsPerAxis - 1, kCellsPerAxis - 1, kCellsPerAxis - 1}};
    if (!FitBox(cells, all)) return boxes;
    boxes.push_back(all);
    while (boxes.size() < kMaxColors) {
        const bool byVolume = boxes.size() >= kMaxColors / 2;
        int best = -1;
        double bestScore = 0;
        for (size_t i = 0; i < boxes.size(); ++i) {
            if (!boxes[i].splittable()) continue;
            const double score = double(boxes[i].count) * (byVolume ? boxes[i].volume() : 1);
            if (best < 0 || score > bestScore) best = int(i), bestScore = score;
        }
        if (best < 0) break;
        Box low, high;
        SplitBox(cells, boxes[best], low, high);
        const bool lowFilled = FitBox(cells, low), highFilled = FitBox(cells, high);
        boxes[best] = lowFilled ? low : high;
        if (lowFilled && highFilled) boxes.push_back(high);
    }
    return boxes;
}

uint32_t MeanColor(const Cell* cells, const Box& box) {
    uint64_t red = 0, green = 0, blue = 0;
    for (int r = box.lo[0]; r <= box.hi[0]; ++r)
        for (int g = box.lo[1]; g <= box.hi[1]; ++g)
            for (int b = box.lo[2]; b <= box.hi[2]; ++b) {
                const Cell& cell = cells[CellIndex(r, g, b)];
                red += cell.red, green += cell.green, blue += cell.blue;
            }
    const uint64_t n = box.count, half = n / 2;
    return Rgb(PackPixel(uint8_t((red + half) / n), uint8_t((green + half) / n),
                         uint8_t((blue + half) / n)));
}

int NearestColor(const std::vector<uint32_t>& colors, int r, int g, int b) {
    int best = 0, bestDistance = 1 << 30;
    for (size_t i = 0; i < colors.size(); ++i) {
        const int dr = RedOf(colors[i]) - r, dg = GreenOf(colors[i]) - g,
                  db = BlueOf(colors[i]) - b;
        // Green weighs most, blue least, roughly as the eye does.
        const int distance = 3 * dr * dr + 4 * dg * dg + 2 * db * db;
        if (distance < bestDistance) best = int(i), bestDistance = distance;
    }
    return best;
}

}  // namespace

Result<GifPalette> GifPalette::Choose(const Image& image) {
    GifPalette palette;
    if (CollectExactColors(image, palette.exactKeys_, palette.exactIndex_, palette.colors_))
        return palette;
    palette.exactKeys_.clear();
    palette.exactIndex_.clear();

    std::unique_ptr<Cell[]> cells;
    if (!BuildHistogram(image, cells)) return errors::OutOfMemory();
    palette.colors_.clear();
    for (const Box& box : MedianCut(cells.get()))
        palette.colors_.push_back(MeanColor(cells.get(), box));

    palette.cellIndex_.assign(kCells, 0);
    for (int cell = 0; cell < kCells; ++cell) {
        const Cell& c = cells[cell];
        if (!c.count) continue;
        palette.cellIndex_[cell] = uint8_t(NearestColor(
            palette.colors_, int(c.red / c.count), int(c.green / c.count), int(c.blue / c.count)));
    }
    return palette;
}

void GifPalette::mapRow(const uint32_t* row, int width, uint8_t* indices) const {
    if (exactKeys_.empty())
        mapByCell(row, width, indices);
    else
        mapExact(row, width, indices);
}

void GifPalette::mapExact(const uint32_t* row, int width, uint8_t* indices) const {
    uint32_t last = kNoColor;
    uint8_t lastIndex = 0;
    for (int x = 0; x < width; ++x) {
        const uint32_t rgb = Rgb(row[x]);
        if (rgb != last) {
            uint32_t slot = SlotOf(rgb);
            while (exactKeys_[slot] != rgb) slot = (slot + 1) & (kExactSlots - 1);
            last = rgb;
            lastIndex = exactIndex_[slot];
        }
        indices[x] = lastIndex;
    }
}

void GifPalette::mapByCell(const uint32_t* row, int width, uint8_t* indices) const {
    const uint8_t* table = cellIndex_.data();
    for (int x = 0; x < width; ++x) indices[x] = table[CellOf(row[x])];
}

}  // namespace pagelens

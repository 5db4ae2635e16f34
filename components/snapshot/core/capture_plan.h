// How a page's measured size becomes the image's size and the bands it is captured in.
//
// A one-shot capture of a long page repeats or loses content beyond roughly 8,000 to 16,000
// pixels, so the page is captured in horizontal bands of at most 4,096 rows (fewer for very wide
// pages, so that a band stays near 1280 x 4096 pixels) and the bands are stitched.
//
// The image is held whole in memory in a 32-bit process, and the window then decodes the file
// again: it is limited to kLargestImagePixels (32,000 rows at 1280 pixels wide) and to
// kLargestSide in each direction (JPEG's 16-bit sizes). A taller page is cut at the limit, or
// refused, as the caller's setting says; a wider page is cut at the width limit.
#pragma once
#include <cstdint>
#include <vector>

namespace pagelens::capture {

inline constexpr int kLargestSide = 65000;
inline constexpr int64_t kLargestImagePixels = 1280LL * 32000;
inline constexpr int kLargestBandRows = 4096;
inline constexpr int64_t kBandPixels = 1280LL * 4096;

struct Band {
    int top = 0;
    int height = 0;
};

struct CapturePlan {
    int width = 0;
    int height = 0;           // of the image, after any cut
    int pageHeight = 0;       // as measured
    bool heightCut = false;   // the page is taller than the image
    std::vector<Band> bands;  // top to bottom, covering the image's height
};

// `cssWidth` x `cssHeight` is the content size in CSS pixels (fractions round up). A size
// below one pixel counts as one.
CapturePlan PlanCapture(double cssWidth, double cssHeight);

// The tallest image for a width.
int LargestHeightFor(int width);

}  // namespace pagelens::capture

// Small known images for the writer tests: colour, gray and black-and-white content with sharp
// edges and a gradient, sized oddly so that row padding and partial blocks are exercised.
#pragma once
#include <string>

#include "imaging/image.h"

namespace pagelens::test {

enum class Sample { Color, Gray, BlackAndWhite, FewColors, Gradient };

Image MakeSample(Sample kind, int width, int height);
std::string SampleName(Sample kind);

// Largest per-channel difference between two images of the same size (alpha ignored);
// -1 when the sizes differ.
int LargestDifference(const Image& a, const Image& b);
// Mean absolute per-channel difference (alpha ignored); a large value when the sizes differ.
double MeanDifference(const Image& a, const Image& b);

}  // namespace pagelens::test

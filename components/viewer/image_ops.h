// Transforms on a page image's pixels.
#pragma once
#include "common/run_error.h"
#include "imaging/image.h"

namespace pagelens {

// Gray scale by ITU-R BT.601 luminance; the three channels become equal.
void ConvertToGray(Image& image);

// Black and white only (see the implementation for the method).
void ConvertToBlackAndWhite(Image& image);

// Rescaled copy: area averaging where a direction shrinks, bilinear where it grows.
// A width or height below 1 is refused by the caller; here both are at least 1.
Result<Image> ResizeImage(const Image& source, int width, int height);

}  // namespace pagelens

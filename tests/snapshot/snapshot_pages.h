// Pages and image checks shared by the capture tests.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "imaging/image.h"

namespace pagelens::test {

struct Colour {
    int r, g, b;
};

inline constexpr Colour kPalette[] = {{220, 30, 30},  {30, 160, 40},  {30, 60, 220},
                                      {230, 200, 20}, {150, 40, 170}, {20, 180, 190}};
inline const Colour& StripeColour(int index) { return kPalette[index % std::size(kPalette)]; }

std::string CssColour(const Colour& colour);

// `count` full-width stripes of `stripeHeight` pixels, coloured from the palette in turn.
std::string StripedPage(int count, int stripeHeight);

// A colour within JPEG's error of `expected` at (x, y).
::testing::AssertionResult PixelNear(const Image& image, int x, int y, const Colour& expected);

// The names of the files in a folder.
std::vector<std::wstring> FilesIn(const std::wstring& folder);

// The capture browser profile folders of this process under %TEMP% (full paths).
std::vector<std::wstring> CaptureProfileFolders();

}  // namespace pagelens::test

// Checks of an image against the drawn stand-in page it was taken from, as a user would look
// at it: its size is the page's, every band is there once, in order, at its place (in every
// column of a wide page), the fixed header once at the top, the lazily loaded block present,
// and none of the view's scroll bars.
#pragma once
#include <gtest/gtest.h>

#include "imaging/image.h"
#include "standin/drawn_page.h"

namespace pagelens::test {

::testing::AssertionResult ShowsDrawnPage(const Image& image, const standin::DrawnPage& page);

}  // namespace pagelens::test

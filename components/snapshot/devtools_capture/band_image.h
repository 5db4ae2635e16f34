// Putting a captured band (PNG bytes from the browser) into its rows of the page image.
#pragma once
#include <string_view>

#include "common/run_error.h"
#include "imaging/image.h"

namespace pagelens::capture {

// Decodes `png` and copies it into `image` from row `top` on, over `rows` rows. A band that
// comes back smaller than asked (the page shrank meanwhile) leaves the rest white; a wider or
// taller one is cropped.
Status PlaceBand(std::string_view png, int top, int rows, Image& image);

// Whitens rows `top` .. `top + rows - 1` ahead of their band. The first write to freshly
// allocated memory is the costly one: done while the browser still renders the band, it is no
// longer part of placing it, which the capture waits for after the last band.
void ReadyRows(int top, int rows, Image& image);

}  // namespace pagelens::capture

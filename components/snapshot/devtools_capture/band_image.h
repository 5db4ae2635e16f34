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
// allocated memory is the costly one; done while the browser renders the band, it is not
// waited for when the band arrives (the last band's placing is).
void ReadyRows(int top, int rows, Image& image);

}  // namespace pagelens::capture

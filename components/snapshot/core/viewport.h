// The size of the view a page is laid out in, in CSS pixels: the tab's view for a browser
// capture, or the default for a typed address.
#pragma once

namespace pagelens::capture {

struct Viewport {
    int width = 1280;
    int height = 800;
};

}  // namespace pagelens::capture

// The nine numeric settings of a capture, their meanings, defaults and the ranges they are
// brought into. Setting numbers are the order in which the window writes them; html_snap.h has
// the table. A value outside its range is brought to the nearest sensible value, never refused.
#pragma once
#include <array>
#include <chrono>
#include <cstdint>

#include "common/run_error.h"

namespace pagelens::capture {

struct CaptureSettings {
    std::chrono::milliseconds timeLimit{60000};   // 1: from the call to the image, then -4
    bool fullPage = true;                         // 2: whole page (1) or the first screen (0)
    int jpegQuality = 90;                         // 3: the work file's JPEG quality, 0..100
    bool scrollForLazyContent = true;             // 4: scroll through the page once
    bool screenMedia = true;                      // 5: screen styles (1) or print styles (0)
    bool scripts = true;                          // 6: the page's scripts run
    bool viewportFromBrowser = true;              // 7: browser capture: the browser's view size
    bool cutTallPages = true;                     // 8: cut at the height limit (1) or fail (0)
    std::chrono::milliseconds settleLimit{1000};  // 9: longest wait for a quiet network

    // index 1..9; a subscript error otherwise.
    Status Set(int index, int32_t value);
};

}  // namespace pagelens::capture

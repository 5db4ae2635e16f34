// One capture from start to end on the worker thread: the work file's place is checked, the
// capture browser found and started in a fresh profile, the page loaded, scrolled, measured and
// captured in bands, the image written as JPEG beside the work file and moved over it, and the
// browser closed and its profile removed (or, with a warm browser, the capture's browser context
// disposed of and the browser given back). Exactly one final status is reported, once no file of
// the capture but the target is left and before the browser is closed, unless Close stopped the
// capture: then nothing is reported and no file is left.
#pragma once
#include <memory>
#include <string>

#include "components/snapshot/core/capture_control.h"
#include "components/snapshot/core/capture_reporter.h"
#include "components/snapshot/core/capture_settings.h"
#include "components/snapshot/core/interrupts.h"
#include "components/snapshot/core/live_page.h"
#include "components/snapshot/devtools_capture/page_capture.h"
#include "components/snapshot/devtools_capture/warm_browser.h"

namespace pagelens::capture {

struct CaptureRequest {
    std::wstring address;  // as given; the worker makes the URL
    std::wstring filePath;
    CaptureSettings settings;
    Viewport viewport;
    Clock::time_point deadline;
    // A browser capture's page as the tab has it, served at the address; none: loaded from there.
    std::shared_ptr<const LivePage> livePage;
    // The window's browser kept between captures, if any: the capture takes it (or starts one)
    // and gives it back afterwards.
    std::weak_ptr<WarmBrowser> warmBrowser;
};

void RunCapture(const CaptureRequest& request, CaptureControl& control, CaptureReporter& reporter);

}  // namespace pagelens::capture

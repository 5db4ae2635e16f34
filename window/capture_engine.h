// Which engine may capture in this process. Under Protected Mode the capture browser is not
// started: it would inherit the tab's low integrity and could write neither its profile nor the
// work file where it is told to. Until the browser's own engine can stand in there, such a
// capture ends at once with -1, and the status says why.
#pragma once
#include <memory>
#include <string>

#include "common/run_error.h"
#include "components/snapshot/html_snap.h"

namespace pagelens {

struct CaptureEngineChoice {
    bool captureBrowser = true;  // the capture browser may be started
    std::wstring reason;         // why not, for the status bar
};

CaptureEngineChoice ChooseCaptureEngine(bool protectedMode);

// A component for a capture that cannot run: every capture reports -1 with `reason` at once.
std::unique_ptr<HtmlSnap> UnavailableCapture(HtmlSnapEvents* events, std::wstring reason);

}  // namespace pagelens

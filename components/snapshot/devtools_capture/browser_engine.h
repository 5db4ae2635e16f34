// The capture browser as one of the component's engines: the capture of the request runs on a
// worker thread of its own (RunCapture), which shares the stop control and the reporter with
// the component, so that the component may go while the worker finishes its clean-up. The
// worker pins this module until it ends.
#pragma once
#include <memory>

#include "common/unique_handle.h"
#include "components/snapshot/core/capture_control.h"
#include "components/snapshot/core/capture_engine.h"
#include "components/snapshot/core/capture_reporter.h"
#include "components/snapshot/devtools_capture/capture_run.h"

namespace pagelens::capture {

class BrowserEngine final : public CaptureEngine {
public:
    BrowserEngine(CaptureRequest request, std::shared_ptr<CaptureControl> control,
                  std::shared_ptr<CaptureReporter> reporter);
    ~BrowserEngine() override;

    // Once: the request goes to the worker.
    Status Start() override;
    void Stop() override;

private:
    CaptureRequest request_;
    std::shared_ptr<CaptureControl> control_;
    std::shared_ptr<CaptureReporter> reporter_;
    UniqueHandleK worker_;
};

}  // namespace pagelens::capture

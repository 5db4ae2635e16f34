// One way of taking a page: the tab's document drawing itself, the tab's view window painting
// itself, our own browser control opening a typed address, or the capture browser. The
// component tries them in one ordered list. An engine that has started ends with one final
// report, or, where it cannot take the page but the next engine might, hands over with the
// reason and reports nothing more.
#pragma once
#include <functional>
#include <string>

#include "common/run_error.h"

namespace pagelens::capture {

class CaptureEngine {
public:
    using HandOver = std::function<void(const std::wstring& why)>;

    virtual ~CaptureEngine() = default;
    // An error: the engine did not start, and reports nothing.
    virtual Status Start() = 0;
    // Ends the capture at once: the user's page is put back, nothing more is reported and no
    // file of the capture is left but a reported one. A worker's clean-up is waited for a few
    // seconds at most.
    virtual void Stop() = 0;
};

}  // namespace pagelens::capture

// Where a running capture reports its progress and its status texts. The worker calls it from
// its own thread; the implementation carries the reports to the component's thread.
#pragma once
#include <cstdint>
#include <string>

namespace pagelens::capture {

class CaptureReporter {
public:
    virtual void Progress(int32_t percent) = 0;
    // Progress texts carry code 0; the final report carries the final code.
    virtual void Status(std::wstring text, int32_t code) = 0;

protected:
    ~CaptureReporter() = default;
};

}  // namespace pagelens::capture

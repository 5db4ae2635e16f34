// The work file of a capture, whichever engine takes the page: reserved beside the target at
// the start (so that a target that cannot be written fails before the page is touched), the
// JPEG written there, and moved over the target as the last step unless Close came first. The
// reserved file is removed on every other way out.
#pragma once
#include <optional>
#include <string>

#include "common/run_error.h"
#include "components/snapshot/core/capture_control.h"
#include "imaging/image_save_jpeg.h"
#include "imaging/image_save_output.h"

namespace pagelens::capture {

class WorkFile {
public:
    explicit WorkFile(std::wstring target) : target_(std::move(target)) {}
    WorkFile(const WorkFile&) = delete;
    WorkFile& operator=(const WorkFile&) = delete;

    Status Reserve();
    // The pieces of the JPEG finished so far, so that they need not wait in memory.
    void WriteReady(JpegInPieces& jpeg);
    Status Write(JpegInPieces& jpeg, CaptureControl& control);
    void RemovePartial() { reserved_.reset(); }

private:
    const std::wstring target_;
    std::optional<PendingFile> reserved_;  // uncommitted, it deletes its file when it goes
};

}  // namespace pagelens::capture

// The work file of a browser-engine capture, written as the capture browser's path writes it:
// reserved beside the target at the start (so that a target that cannot be written fails
// before the page is touched), the JPEG written there, and moved over the target as the last
// step unless Close came first. The partial file is removed on every other way out.
#pragma once
#include <string>

#include "common/run_error.h"
#include "components/snapshot/capture_control.h"
#include "components/viewer/image_save_jpeg.h"

namespace pagelens::capture {

class WorkFile {
public:
    explicit WorkFile(std::wstring target);
    ~WorkFile() { RemovePartial(); }
    WorkFile(const WorkFile&) = delete;
    WorkFile& operator=(const WorkFile&) = delete;

    Status Reserve();
    Status Write(JpegInPieces& jpeg, CaptureControl& control);
    void RemovePartial();

private:
    const std::wstring target_;
    const std::wstring partial_;
    bool partialExists_ = false;
};

}  // namespace pagelens::capture

#include "components/snapshot/core/work_file.h"

#include "components/snapshot/core/capture_failure.h"

namespace pagelens::capture {

Status WorkFile::Reserve() {
    reserved_.reset();
    auto file = PendingFile::Create(target_);
    if (!file) return Failure(kWriteFailed, file.error().description);
    reserved_.emplace(std::move(file).value());
    return {};
}

void WorkFile::WriteReady(JpegInPieces& jpeg) {
    if (reserved_) jpeg.WriteReady(*reserved_);
}

Status WorkFile::Write(JpegInPieces& jpeg, CaptureControl& control) {
    if (!reserved_) return Failure(kWriteFailed, L"The image file was not reserved: " + target_);
    Status saved = jpeg.WriteTo(*reserved_);
    if (!saved.ok()) return Failure(kWriteFailed, saved.error().description);
    Status committed;
    const bool ran = control.PublishUnlessStopped([&] {
        committed = reserved_->commit();
        return committed.ok();
    });
    if (!ran) return Stopped();
    if (!committed.ok()) return Failure(kWriteFailed, committed.error().description);
    reserved_.reset();
    return {};
}

}  // namespace pagelens::capture

#include "components/snapshot/core/page_image.h"

#include "components/snapshot/core/capture_failure.h"

namespace pagelens::capture {

PageImage::PageImage(std::wstring filePath, const CaptureSettings& settings,
                     CaptureReporter& reporter, int partsFrom)
    : filePath_(std::move(filePath)),
      settings_(settings),
      reporter_(reporter),
      partsFrom_(partsFrom),
      file_(filePath_) {}

Result<CapturePlan> PageImage::Plan(double width, double height) {
    CapturePlan plan = PlanCapture(width, height);
    if (plan.heightCut) {
        const std::wstring size = std::to_wstring(plan.pageHeight) + L" pixels";
        if (!settings_.cutTallPages)
            return Failed(L"The page is " + size + L" tall, more than the largest image (" +
                          std::to_wstring(plan.height) + L" pixels at this width)");
        reporter_.Status(L"The page is " + size + L" tall: the image ends at " +
                             std::to_wstring(plan.height) + L" pixels",
                         0);
    }
    jpeg_.reset();
    image_ = Image(plan.width, plan.height);
    if (image_.empty())
        return Failed(L"There is not enough memory for a " + std::to_wstring(plan.width) + L" x " +
                      std::to_wstring(plan.height) + L" image");
    jpeg_ = std::make_unique<JpegInPieces>(image_, settings_.jpegQuality);
    return plan;
}

void PageImage::PartStarted(int part, int parts) {
    reporter_.Status(
        L"Capturing part " + std::to_wstring(part + 1) + L" of " + std::to_wstring(parts), 0);
}

void PageImage::PartDone(int part, int parts) {
    reporter_.Progress(partsFrom_ + (90 - partsFrom_) * (part + 1) / parts);
}

void PageImage::RowsReady(int rows) {
    if (!jpeg_) return;
    jpeg_->RowsReady(rows);
    file_.WriteReady(*jpeg_);
}

Status PageImage::Write(CaptureControl& control) {
    reporter_.Status(L"Writing the image file", 0);
    if (control.stopped()) return Stopped();
    if (!jpeg_) return Failed(L"The capture has no image to write");
    PAGELENS_RETURN_IF_ERROR(file_.Write(*jpeg_, control));
    reporter_.Progress(100);
    return {};
}

void PageImage::Discard() {
    jpeg_.reset();
    image_ = Image();
    file_.RemovePartial();
}

void PageImage::Report(const Status& outcome, const CaptureControl& control) {
    if (control.stopped()) return;  // Close has detached the events already
    if (outcome.ok())
        reporter_.Status(L"The snapshot is written to " + filePath_, kWritten);
    else if (!IsStopped(outcome.error()))
        reporter_.Status(outcome.error().description, outcome.error().number);
}

}  // namespace pagelens::capture

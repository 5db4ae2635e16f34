// The image of one capture from its plan to its file, whichever engine takes the page: the work
// file reserved beside the target before the page is touched, the plan with its height cut (a
// status text, or a failure where the settings refuse tall pages), the image in memory, the
// JPEG encoded in pieces as rows become final and written ahead into the work file, the
// progress of the parts, and the capture's one final report.
#pragma once
#include <memory>
#include <string>

#include "common/run_error.h"
#include "components/snapshot/core/capture_control.h"
#include "components/snapshot/core/capture_plan.h"
#include "components/snapshot/core/capture_reporter.h"
#include "components/snapshot/core/capture_settings.h"
#include "components/snapshot/core/work_file.h"
#include "imaging/image.h"
#include "imaging/image_save_jpeg.h"

namespace pagelens::capture {

class PageImage {
public:
    // The parts of the capture take the progress from `partsFrom` to 90 percent.
    PageImage(std::wstring filePath, const CaptureSettings& settings, CaptureReporter& reporter,
              int partsFrom);
    PageImage(const PageImage&) = delete;
    PageImage& operator=(const PageImage&) = delete;

    Status Reserve() { return file_.Reserve(); }
    // The plan for a page of `width` x `height` pixels (fractions round up), cut or refused at
    // the height limit as the settings say, and an image of the plan's size.
    Result<CapturePlan> Plan(double width, double height);
    Image& image() { return image_; }
    const Image& image() const { return image_; }

    void PartStarted(int part, int parts);
    void PartDone(int part, int parts);
    // Rows 0 .. rows - 1 of the image are final: they are encoded and written ahead.
    void RowsReady(int rows);
    // Encodes the rest, writes the work file and moves it over the target unless Close came
    // first (then the stopped error).
    Status Write(CaptureControl& control);
    // Frees the image; a work file not yet moved over the target goes.
    void Discard();
    // The final report of `outcome`; none when Close stopped the capture.
    void Report(const Status& outcome, const CaptureControl& control);

private:
    const std::wstring filePath_;
    const CaptureSettings& settings_;
    CaptureReporter& reporter_;
    const int partsFrom_;
    WorkFile file_;
    Image image_;
    std::unique_ptr<JpegInPieces> jpeg_;  // reads image_, so it goes first
};

}  // namespace pagelens::capture

// The browser capture in the browser's own process: the tab's view, laid out and painted
// already, is taken tile by tile into the page image, the view scrolled to each tile in turn,
// either drawn by the document (IViewObject::Draw) or painted by the view's window as the screen
// shows it (PrintWindow). A page whose document does not scroll but whose content scrolls inside
// one element is taken with that element unrolled. It runs on the thread that owns the document
// (the window's thread), in steps driven by that thread's message loop, so the window stays live
// and Close or the time limit end the capture between two steps. Between the scroll to a tile
// and its drawing the loop runs dry once (a timer message comes only then), so that the page's
// own handlers for the scroll, lazy loaders among them, have run.
//
// Each tile is checked before it is kept: the rows it shares with the tiles before must agree
// with them, and a first tile of one colour is set against the window's own painting. A tile
// that fails a check, or a drawing that fails, hands the capture over to `cannotDraw` with the
// reason, and nothing is reported. The user's page is put back (scroll positions, every style
// touched) on every way out. Otherwise the capture ends with one final report, as the capture
// browser's path does. Destroying the object stops it at once: the page is put back, no file is
// left and nothing more is reported.
#pragma once
#include <exdisp.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/run_error.h"
#include "common/unique_handle.h"
#include "components/snapshot/core/capture_control.h"
#include "components/snapshot/core/capture_engine.h"
#include "components/snapshot/core/capture_plan.h"
#include "components/snapshot/core/capture_reporter.h"
#include "components/snapshot/core/capture_settings.h"
#include "components/snapshot/core/interrupts.h"
#include "components/snapshot/core/page_image.h"
#include "components/snapshot/view_capture/page_changes.h"
#include "components/snapshot/view_capture/page_view.h"
#include "components/snapshot/view_capture/scrolling_area.h"
#include "components/snapshot/view_capture/tile_canvas.h"
#include "components/snapshot/view_capture/tile_plan.h"

namespace pagelens::capture {

enum class Painting { DocumentDrawing, WindowPainting };

struct ViewCaptureRequest {
    std::wstring filePath;
    CaptureSettings settings;
    Clock::time_point deadline;
    Painting painting = Painting::DocumentDrawing;
};

class ViewCapture final : public CaptureEngine {
public:
    using CannotDraw = HandOver;

    // The capture of what `browser` shows, if its view can be taken on this thread in the
    // request's way; otherwise an error that says why not. Nothing is touched yet.
    static Result<std::unique_ptr<ViewCapture>> Open(IWebBrowser2* browser,
                                                     ViewCaptureRequest request,
                                                     std::shared_ptr<CaptureControl> control,
                                                     CaptureReporter& reporter,
                                                     CannotDraw cannotDraw);
    ~ViewCapture() override;
    ViewCapture(const ViewCapture&) = delete;
    ViewCapture& operator=(const ViewCapture&) = delete;

    // Measures the page and posts the first step; a failure here is reported as the final
    // status like any other, so it always starts.
    Status Start() override;
    void Stop() override;

private:
    ViewCapture(PageView view, ViewCaptureRequest request, std::shared_ptr<CaptureControl> control,
                CaptureReporter& reporter, CannotDraw cannotDraw);
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    Status Prepare();
    Status ScrollToTile();
    Status DrawTile();
    Status WriteImage();
    void Guarded(Status (ViewCapture::*step)());
    void PostStep(Status (ViewCapture::*step)());
    void End(Status outcome);
    Status GiveWay(const std::wstring& why);
    void Release();
    POINT CssPosition(int deviceX, int deviceY) const;
    POINT TileOrigin() const;
    bool SeamsAgree(POINT origin) const;
    bool OneColourWhereTheWindowShowsMore();

    PageView view_;
    const ViewCaptureRequest request_;
    std::shared_ptr<CaptureControl> control_;
    CaptureReporter& reporter_;
    CannotDraw cannotDraw_;
    PageImage image_;
    UniqueHwnd window_;
    std::optional<PageChanges> changes_;
    PageGeometry geometry_;
    std::optional<ScrollingArea> area_;
    TilePlan tiles_;
    RECT client_{};                 // the part of the canvas that shows the page
    RECT band_{};                   // the part of it that scrolls: the client area, or the area's
    int bandTop_ = 0;               // image row of the scrolled content's first row
    std::vector<RECT> fixedBoxes_;  // where fixed elements stood in the first tile
    std::optional<TileCanvas> canvas_;
    Status (ViewCapture::*next_)() = nullptr;
    int tile_ = 0;
    bool ended_ = false;
};

}  // namespace pagelens::capture

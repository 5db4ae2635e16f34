#include "components/snapshot/view_capture/view_capture.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "common/text_codepage.h"
#include "common/window_class.h"
#include "components/snapshot/capture_failure.h"

namespace pagelens::capture {
namespace {

constexpr wchar_t kClassName[] = L"PagelensViewCaptureSteps";
constexpr UINT kStepMessage = WM_APP + 1;
constexpr UINT_PTR kSettleTimer = 1;

bool RegisterStepClass(WNDPROC proc) {
    return RegisterWindowClass({.name = kClassName, .procedure = proc, .cursor = nullptr}).ok();
}

std::wstring Hex(HRESULT hr) {
    wchar_t text[16];
    swprintf(text, 16, L"0x%08lX", static_cast<unsigned long>(hr));
    return text;
}

std::wstring Size(int width, int height) {
    return std::to_wstring(width) + L" x " + std::to_wstring(height);
}

}  // namespace

Result<std::unique_ptr<ViewCapture>> ViewCapture::Open(IWebBrowser2* browser,
                                                       ViewCaptureRequest request,
                                                       std::shared_ptr<CaptureControl> control,
                                                       CaptureReporter& reporter,
                                                       CannotDraw cannotDraw) {
    auto view = PageView::Open(browser);
    if (!view.ok()) return view.error();
    if (!RegisterStepClass(&ViewCapture::WindowProc))
        return Failed(L"the capture's step window class cannot be registered");
    std::unique_ptr<ViewCapture> capture(new ViewCapture(std::move(view).value(),
                                                         std::move(request), std::move(control),
                                                         reporter, std::move(cannotDraw)));
    capture->window_.reset(CreateMessageWindow(kClassName, capture.get()));
    if (!capture->window_) return Failed(L"the capture's step window cannot be created");
    return capture;
}

ViewCapture::ViewCapture(PageView view, ViewCaptureRequest request,
                         std::shared_ptr<CaptureControl> control, CaptureReporter& reporter,
                         CannotDraw cannotDraw)
    : view_(std::move(view)),
      request_(std::move(request)),
      control_(std::move(control)),
      reporter_(reporter),
      cannotDraw_(std::move(cannotDraw)),
      file_(request_.filePath) {}

ViewCapture::~ViewCapture() {
    if (window_) SetWindowLongPtrW(window_.get(), GWLP_USERDATA, 0);
    ended_ = true;
    Release();
}

void ViewCapture::Start() { Guarded(&ViewCapture::Prepare); }

LRESULT CALLBACK ViewCapture::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* capture = reinterpret_cast<ViewCapture*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (message == kStepMessage && capture && capture->next_) {
        capture->Guarded(std::exchange(capture->next_, nullptr));
        return 0;
    }
    if (message == WM_TIMER && wParam == kSettleTimer) {
        KillTimer(hwnd, kSettleTimer);
        if (capture) capture->Guarded(&ViewCapture::DrawTile);
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

// One step, with no exception let out into the message loop.
void ViewCapture::Guarded(Status (ViewCapture::*step)()) {
    if (ended_) return;
    Status outcome;
    try {
        if (control_->stopped()) return;
        if (Clock::now() >= request_.deadline)
            outcome = TimedOut(L"The time limit was reached while the browser drew the page");
        else
            outcome = (this->*step)();
    } catch (const std::bad_alloc&) {
        outcome = Failed(L"There is not enough memory for the capture");
    } catch (const std::exception& e) {
        outcome = Failed(L"The capture failed: " + FromUtf8(e.what()));
    }
    if (!outcome.ok()) End(std::move(outcome));
}

void ViewCapture::PostStep(Status (ViewCapture::*step)()) {
    next_ = step;
    PostMessageW(window_.get(), kStepMessage, 0, 0);
}

Status ViewCapture::Prepare() {
    PAGELENS_RETURN_IF_ERROR(file_.Reserve());
    reporter_.Status(L"Drawing the page in the browser's own engine", 0);
    reporter_.Progress(5);
    auto geometry = view_.Measure();
    if (!geometry.ok()) return geometry.error();
    geometry_ = *geometry;
    const int pageWidth = request_.settings.fullPage ? geometry_.pageWidth : geometry_.clientWidth;
    const int pageHeight =
        request_.settings.fullPage ? geometry_.pageHeight : geometry_.clientHeight;
    const CapturePlan plan = PlanCapture(pageWidth, pageHeight);
    if (plan.heightCut) {
        const std::wstring size = std::to_wstring(plan.pageHeight) + L" pixels";
        if (!request_.settings.cutTallPages)
            return Failed(L"The page is " + size + L" tall, more than the largest image (" +
                          std::to_wstring(plan.height) + L" pixels at this width)");
        reporter_.Status(L"The page is " + size + L" tall: the image ends at " +
                             std::to_wstring(plan.height) + L" pixels",
                         0);
    }
    image_ = Image(plan.width, plan.height);
    if (image_.empty())
        return Failed(L"There is not enough memory for a " + Size(plan.width, plan.height) +
                      L" image");
    auto canvas = TileCanvas::Create(geometry_.boundsWidth, geometry_.boundsHeight);
    if (!canvas.ok()) return canvas.error();
    canvas_.emplace(std::move(canvas).value());
    jpeg_ = std::make_unique<JpegInPieces>(image_, request_.settings.jpegQuality);
    // At a zoom, a scroll position in CSS pixels lands within a device pixel of where it was
    // asked to: tiles then overlap by two, so that no row falls between two of them.
    const int overlap = geometry_.scale == 1.0 ? 0 : 2;
    const auto extent = [overlap](int view, int image) {
        return image > view ? std::max(1, view - overlap) : view;
    };
    tiles_ = PlanTiles(plan.width, plan.height, extent(geometry_.clientWidth, plan.width),
                       extent(geometry_.clientHeight, plan.height));
    changes_.emplace(view_);
    reporter_.Progress(10);
    PostStep(&ViewCapture::ScrollToTile);
    return {};
}

POINT ViewCapture::CssPosition(int deviceX, int deviceY) const {
    return {static_cast<LONG>(std::lround(deviceX / geometry_.scale)),
            static_cast<LONG>(std::lround(deviceY / geometry_.scale))};
}

// The drawing follows once the message loop has run dry: see the header.
Status ViewCapture::ScrollToTile() {
    if (tile_ == 1) changes_->HideFixedElements();
    const HRESULT hr =
        view_.ScrollTo(CssPosition(tiles_.columnOf(tile_).scrollTo, tiles_.rowOf(tile_).scrollTo));
    if (FAILED(hr)) return Failed(L"The browser's view could not be scrolled (" + Hex(hr) + L")");
    reporter_.Status(
        L"Capturing part " + std::to_wstring(tile_ + 1) + L" of " + std::to_wstring(tiles_.count()),
        0);
    if (!SetTimer(window_.get(), kSettleTimer, USER_TIMER_MINIMUM, nullptr))
        return Failed(L"The capture's step timer cannot be set");
    return {};
}

Status ViewCapture::DrawTile() {
    const HRESULT hr = canvas_->DrawView(view_);
    if (FAILED(hr)) {
        if (!drawnOnce_) {
            HandOver(L"its drawing failed with " + Hex(hr));
            return {};
        }
        return Failed(L"The browser's document could not draw itself (" + Hex(hr) + L")");
    }
    drawnOnce_ = true;
    // Where the view really is: the page may have changed its size since it was measured.
    const POINT at = view_.ScrollPosition();
    const int viewX = static_cast<int>(std::lround(at.x * geometry_.scale));
    const int viewY = static_cast<int>(std::lround(at.y * geometry_.scale));
    const TileSpan& row = tiles_.rowOf(tile_);
    const TileSpan& column = tiles_.columnOf(tile_);
    canvas_->CopyTo(image_, column.copyStart, row.copyStart, column.copyEnd - column.copyStart,
                    row.copyEnd - row.copyStart, column.copyStart - viewX, row.copyStart - viewY);
    if (tiles_.endsRow(tile_)) {
        jpeg_->RowsReady(row.copyEnd);
        file_.WriteReady(*jpeg_);
    }
    reporter_.Progress(10 + 80 * (tile_ + 1) / tiles_.count());
    ++tile_;
    PostStep(tile_ < tiles_.count() ? &ViewCapture::ScrollToTile : &ViewCapture::WriteImage);
    return {};
}

Status ViewCapture::WriteImage() {
    changes_->Restore();  // the user's page first; the encoding's tail takes a moment
    canvas_.reset();
    reporter_.Status(L"Writing the image file", 0);
    PAGELENS_RETURN_IF_ERROR(file_.Write(*jpeg_, *control_));
    ended_ = true;
    Release();
    reporter_.Progress(100);
    reporter_.Status(L"The snapshot is written to " + request_.filePath, kWritten);
    return {};
}

// Frees what the capture holds and puts the page back; the partial file goes too.
void ViewCapture::Release() {
    if (window_) KillTimer(window_.get(), kSettleTimer);
    next_ = nullptr;
    if (changes_) changes_->Restore();
    jpeg_.reset();
    canvas_.reset();
    image_ = Image();
    file_.RemovePartial();
}

void ViewCapture::End(Status outcome) {
    if (ended_) return;
    ended_ = true;
    Release();
    if (control_->stopped() || outcome.ok() || IsStopped(outcome.error())) return;
    reporter_.Status(outcome.error().description, outcome.error().number);
}

void ViewCapture::HandOver(const std::wstring& why) {
    ended_ = true;
    Release();
    if (!control_->stopped() && cannotDraw_) cannotDraw_(why);
}

}  // namespace pagelens::capture

#include "components/snapshot/view_capture/view_capture.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "common/window_class.h"
#include "components/snapshot/core/capture_failure.h"

namespace pagelens::capture {
namespace {

constexpr wchar_t kClassName[] = L"PagelensViewCaptureSteps";
constexpr UINT kStepMessage = WM_APP + 1;
constexpr UINT_PTR kSettleTimer = 1;
// Rows (and columns) that two neighbouring tiles share, for the check of the second.
constexpr int kOverlap = 8;
// A document whose scroll height is within this of its view does not scroll.
constexpr int kStillSlack = 4;

bool RegisterStepClass(WNDPROC proc) {
    return RegisterWindowClass({.name = kClassName, .procedure = proc, .cursor = nullptr}).ok();
}

std::wstring Hex(HRESULT hr) {
    wchar_t text[16];
    swprintf(text, 16, L"0x%08lX", static_cast<unsigned long>(hr));
    return text;
}

}  // namespace

Result<std::unique_ptr<ViewCapture>> ViewCapture::Open(IWebBrowser2* browser,
                                                       ViewCaptureRequest request,
                                                       std::shared_ptr<CaptureControl> control,
                                                       CaptureReporter& reporter,
                                                       CannotDraw cannotDraw) {
    auto view = PageView::Open(browser);
    if (!view.ok()) return view.error();
    if (request.painting == Painting::DocumentDrawing && !view->drawable())
        return Failed(L"the document offers no IViewObject");
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
      image_(request_.filePath, request_.settings, reporter, 10) {}

ViewCapture::~ViewCapture() {
    if (window_) SetWindowLongPtrW(window_.get(), GWLP_USERDATA, 0);
    ended_ = true;
    Release();
}

Status ViewCapture::Start() {
    Guarded(&ViewCapture::Prepare);
    return {};
}

void ViewCapture::Stop() {
    control_->Stop();
    ended_ = true;
    Release();
}

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
    if (ended_ || control_->stopped()) return;
    Status outcome = Clock::now() >= request_.deadline
                         ? TimedOut(L"The time limit was reached while the browser drew the page")
                         : GuardedStep([this, step] { return (this->*step)(); });
    if (!outcome.ok()) End(std::move(outcome));
}

void ViewCapture::PostStep(Status (ViewCapture::*step)()) {
    next_ = step;
    PostMessageW(window_.get(), kStepMessage, 0, 0);
}

Status ViewCapture::Prepare() {
    PAGELENS_RETURN_IF_ERROR(image_.Reserve());
    reporter_.Status(request_.painting == Painting::DocumentDrawing
                         ? L"Drawing the page in the browser's own engine"
                         : L"Taking the page as the browser's view window shows it",
                     0);
    reporter_.Progress(5);
    auto geometry = view_.Measure();
    if (!geometry.ok()) return geometry.error();
    geometry_ = *geometry;
    const bool fullPage = request_.settings.fullPage;
    const SIZE client{geometry_.clientWidth, geometry_.clientHeight};
    if (fullPage && geometry_.pageHeight <= client.cy + kStillSlack)
        area_ = FindScrollingArea(view_.document(), geometry_.scale, client);
    // Unrolled, the area's content takes the place of what it shows.
    const int pageWidth = fullPage && !area_ ? geometry_.pageWidth : client.cx;
    const int pageHeight = area_      ? client.cy - area_->height + area_->contentHeight
                           : fullPage ? geometry_.pageHeight
                                      : client.cy;
    auto planned = image_.Plan(pageWidth, pageHeight);
    if (!planned.ok()) return planned.error();
    const CapturePlan& plan = *planned;
    auto canvas = TileCanvas::Create(geometry_.boundsWidth, geometry_.boundsHeight);
    if (!canvas.ok()) return canvas.error();
    canvas_.emplace(std::move(canvas).value());
    // At a zoom, a scroll position in CSS pixels lands within a device pixel of where it was
    // asked to: tiles then leave out two rows of the view, so that none falls between two.
    const int margin = geometry_.scale == 1.0 ? 0 : 2;
    const auto extent = [margin](int view, int image) {
        return image > view ? std::max(1, view - margin) : view;
    };
    client_ = {0, 0, client.cx, client.cy};
    if (area_) {
        const int below = client.cy - area_->top - area_->height;
        const int content = std::max(1, plan.height - area_->top - below);  // less when cut
        tiles_.rows = PlanTileSpans(content, extent(area_->height, content), kOverlap);
        tiles_.columns = {{0, 0, plan.width}};
        band_ = {0, area_->top, client.cx, area_->top + area_->height};
        bandTop_ = area_->top;
        reporter_.Status(L"Capturing the scrolling area " + area_->name, 0);
    } else {
        tiles_ = PlanTiles(plan.width, plan.height, extent(client.cx, plan.width),
                           extent(client.cy, plan.height), kOverlap);
        band_ = client_;
        bandTop_ = 0;
    }
    changes_.emplace(view_, area_ ? area_->element : nullptr);
    fixedBoxes_ = changes_->FixedBoxes(geometry_.scale);
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
    const POINT to = CssPosition(tiles_.columnOf(tile_).scrollTo, tiles_.rowOf(tile_).scrollTo);
    const HRESULT hr = area_ ? area_->element->put_scrollTop(to.y) : view_.ScrollTo(to);
    if (FAILED(hr)) return Failed(L"The browser's view could not be scrolled (" + Hex(hr) + L")");
    image_.PartStarted(tile_, tiles_.count());
    if (!SetTimer(window_.get(), kSettleTimer, USER_TIMER_MINIMUM, nullptr))
        return Failed(L"The capture's step timer cannot be set");
    return {};
}

// Where the canvas's pixel (0, 0) lies in the image, from where the view really is: the page
// may have changed its size since it was measured.
POINT ViewCapture::TileOrigin() const {
    const auto device = [this](LONG css) {
        return static_cast<LONG>(std::lround(css * geometry_.scale));
    };
    if (area_) {
        LONG top = 0;
        if (FAILED(area_->element->get_scrollTop(&top))) top = 0;
        return {0, device(top)};
    }
    const POINT at = view_.ScrollPosition();
    return {device(at.x), device(at.y)};
}

// The rows above this tile's new ones come from the row of tiles above, the columns left of
// them from the tile before in this row.
bool ViewCapture::SeamsAgree(POINT origin) const {
    const TileSpan& row = tiles_.rowOf(tile_);
    const TileSpan& column = tiles_.columnOf(tile_);
    const RECT band{band_.left + origin.x, band_.top + origin.y, band_.right + origin.x,
                    band_.bottom + origin.y};
    const LONG newRows = bandTop_ + row.copyStart;
    const RECT above{band.left, band.top, band.right, newRows};
    const RECT left{band.left, newRows, column.copyStart,
                    std::min<LONG>(band.bottom, bandTop_ + row.copyEnd)};
    const TilePixels pixels = canvas_->pixels();
    SeamCount count = CompareSeam(image_.image(), above, pixels, origin, fixedBoxes_);
    const SeamCount more = CompareSeam(image_.image(), left, pixels, origin, fixedBoxes_);
    count.compared += more.compared;
    count.changed += more.changed;
    return SeamAgrees(count);
}

// A drawing of one colour is a blank page, or one that was not drawn: the GPU's drawing comes
// back black on some machines. The window shows which.
bool ViewCapture::OneColourWhereTheWindowShowsMore() {
    const auto drawn = SoleColour(canvas_->pixels(), client_);
    if (!drawn) return false;
    if (SUCCEEDED(canvas_->PaintWindow(view_.viewWindow()))) {
        const auto painted = SoleColour(canvas_->pixels(), client_);
        if (painted != drawn && painted != TileCanvas::kUnpainted) return true;
    }
    // The page is blank, or the window cannot tell: the drawing stands.
    return FAILED(canvas_->DrawView(view_));
}

Status ViewCapture::DrawTile() {
    const bool drawing = request_.painting == Painting::DocumentDrawing;
    const HRESULT hr =
        drawing ? canvas_->DrawView(view_) : canvas_->PaintWindow(view_.viewWindow());
    if (FAILED(hr))
        return GiveWay(drawing ? L"the browser's drawing failed with " + Hex(hr)
                               : L"the view's window could not be painted (" + Hex(hr) + L")");
    if (!drawing && SoleColour(canvas_->pixels(), band_) == TileCanvas::kUnpainted)
        return GiveWay(L"the view's window painted nothing");
    if (tile_ == 0 && drawing && OneColourWhereTheWindowShowsMore())
        return GiveWay(L"the browser's drawing came back as one colour");
    const POINT origin = TileOrigin();
    if (tile_ > 0 && !SeamsAgree(origin))
        return GiveWay(drawing ? L"the browser's drawing did not follow the page"
                               : L"the view's window painting did not follow the page");
    const TileSpan& row = tiles_.rowOf(tile_);
    const TileSpan& column = tiles_.columnOf(tile_);
    const int top = bandTop_ + row.copyStart;
    Image& image = image_.image();
    canvas_->CopyTo(image, column.copyStart, top, column.copyEnd - column.copyStart,
                    row.copyEnd - row.copyStart, column.copyStart - origin.x, top - origin.y);
    if (tile_ == 0 && area_) {  // what lies above and below the area, once
        const int below = std::min<int>(client_.bottom - band_.bottom, image.height() - bandTop_);
        canvas_->CopyTo(image, 0, 0, image.width(), band_.top, 0, 0);
        canvas_->CopyTo(image, 0, image.height() - below, image.width(), below, 0, band_.bottom);
    }
    if (tiles_.endsRow(tile_))
        image_.RowsReady(tile_ + 1 == tiles_.count() ? image.height() : bandTop_ + row.copyEnd);
    image_.PartDone(tile_, tiles_.count());
    ++tile_;
    PostStep(tile_ < tiles_.count() ? &ViewCapture::ScrollToTile : &ViewCapture::WriteImage);
    return {};
}

Status ViewCapture::WriteImage() {
    changes_->Restore();  // the user's page first; the encoding's tail takes a moment
    canvas_.reset();
    PAGELENS_RETURN_IF_ERROR(image_.Write(*control_));
    End({});
    return {};
}

// Frees what the capture holds and puts the page back; the partial file goes too.
void ViewCapture::Release() {
    if (window_) KillTimer(window_.get(), kSettleTimer);
    next_ = nullptr;
    if (changes_) changes_->Restore();
    canvas_.reset();
    image_.Discard();
}

void ViewCapture::End(Status outcome) {
    if (ended_) return;
    ended_ = true;
    Release();
    image_.Report(outcome, *control_);
}

// The owner may start the next way at once, but keeps this object until it is destroyed.
Status ViewCapture::GiveWay(const std::wstring& why) {
    ended_ = true;
    Release();
    if (!control_->stopped() && cannotDraw_) cannotDraw_(why);
    return {};
}

}  // namespace pagelens::capture

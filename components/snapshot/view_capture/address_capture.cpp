#include "components/snapshot/view_capture/address_capture.h"

#include "common/com_boundary.h"
#include "common/window_class.h"
#include "components/snapshot/core/capture_failure.h"

namespace pagelens::capture {
namespace {

constexpr wchar_t kClassName[] = L"PagelensAddressCaptureSteps";
constexpr UINT_PTR kPollTimer = 1;
constexpr UINT kPollMilliseconds = 50;

}  // namespace

Result<std::unique_ptr<AddressCapture>> AddressCapture::Open(
    std::wstring address, SIZE view, ViewCaptureRequest request,
    std::shared_ptr<CaptureControl> control, CaptureReporter& reporter) {
    PAGELENS_RETURN_IF_ERROR(RegisterWindowClass(
        {.name = kClassName, .procedure = &AddressCapture::WindowProc, .cursor = nullptr}));
    std::unique_ptr<AddressCapture> capture(
        new AddressCapture(std::move(address), std::move(request), std::move(control), reporter));
    auto hosted = HostedBrowser::Create(view, capture->request_.settings.scripts);
    if (!hosted.ok()) return hosted.error();
    capture->hosted_ = std::move(hosted).value();
    capture->window_.reset(CreateMessageWindow(kClassName, capture.get()));
    if (!capture->window_) return Failed(L"the capture's step window cannot be created");
    return capture;
}

AddressCapture::AddressCapture(std::wstring address, ViewCaptureRequest request,
                               std::shared_ptr<CaptureControl> control, CaptureReporter& reporter)
    : address_(std::move(address)),
      request_(std::move(request)),
      control_(std::move(control)),
      reporter_(reporter) {}

AddressCapture::~AddressCapture() {
    if (window_) {
        KillTimer(window_.get(), kPollTimer);
        SetWindowLongPtrW(window_.get(), GWLP_USERDATA, 0);
    }
    view_.reset();
    hosted_.reset();
}

Status AddressCapture::Start() {
    reporter_.Status(L"Opening the address in the browser's own engine", 0);
    if (Status navigated = hosted_->Navigate(address_); !navigated.ok()) {
        End(kOpenFailed, navigated.error().description);
        return {};
    }
    SetTimer(window_.get(), kPollTimer, kPollMilliseconds, nullptr);
    return {};
}

void AddressCapture::Stop() {
    control_->Stop();
    ended_ = true;
    if (window_) KillTimer(window_.get(), kPollTimer);
    if (view_) view_->Stop();
}

LRESULT CALLBACK AddressCapture::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_TIMER || wParam != kPollTimer)
        return DefWindowProcW(hwnd, message, wParam, lParam);
    return AtWindowBoundary(hwnd, message, wParam, lParam, [&]() -> LRESULT {
        if (auto* capture =
                reinterpret_cast<AddressCapture*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA)))
            capture->Poll();
        return 0;
    });
}

void AddressCapture::Poll() {
    if (ended_ || control_->stopped()) {
        KillTimer(window_.get(), kPollTimer);
        return;
    }
    if (Clock::now() >= request_.deadline) {
        End(kTimedOut, L"The time limit was reached before the page had loaded: " + address_);
        return;
    }
    if (!hosted_->Loaded()) return;
    KillTimer(window_.get(), kPollTimer);
    if (hosted_->ShowsItsErrorPage()) {
        End(kOpenFailed, L"The address could not be opened: " + address_);
        return;
    }
    auto view = ViewCapture::Open(
        hosted_->browser(), request_, control_, reporter_, [this](const std::wstring& why) {
            // The view capture has ended and reports nothing more: the outcome is ours to tell.
            reporter_.Status(L"The page could not be drawn (" + why + L")", kFailed);
        });
    if (!view.ok()) {
        End(kFailed, L"The page could not be drawn (" + view.error().description + L")");
        return;
    }
    view_ = std::move(view).value();
    ended_ = true;  // the view capture tells the outcome from here on
    (void)view_->Start();
}

void AddressCapture::End(int32_t code, const std::wstring& text) {
    if (ended_) return;
    ended_ = true;
    KillTimer(window_.get(), kPollTimer);
    reporter_.Status(text, code);
}

}  // namespace pagelens::capture

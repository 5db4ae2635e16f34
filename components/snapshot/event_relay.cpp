#include "components/snapshot/event_relay.h"

#include "common/com_boundary.h"
#include "common/window_class.h"

namespace pagelens::capture {
namespace {

constexpr UINT kReportsWaiting = WM_APP + 1;
constexpr wchar_t kClassName[] = L"PagelensHtmlSnapEvents";

bool RegisterRelayClass(WNDPROC proc) {
    return RegisterWindowClass({.name = kClassName, .procedure = proc, .cursor = nullptr}).ok();
}

}  // namespace

Result<std::shared_ptr<EventRelay>> EventRelay::Create(HtmlSnapEvents* events) {
    if (!RegisterRelayClass(&EventRelay::WindowProc))
        return errors::FromHresult(
            HRESULT_FROM_WIN32(GetLastError()),
            L"The snapshot component's event window class cannot be registered");
    std::shared_ptr<EventRelay> relay(new EventRelay(events));
    HWND hwnd = CreateMessageWindow(kClassName, relay.get());
    if (!hwnd)
        return errors::FromHresult(HRESULT_FROM_WIN32(GetLastError()),
                                   L"The snapshot component's event window cannot be created");
    relay->hwnd_ = hwnd;
    return relay;
}

EventRelay::~EventRelay() { Detach(); }

void EventRelay::Progress(int32_t percent) { Push({true, percent, {}}); }

void EventRelay::Status(std::wstring text, int32_t code) { Push({false, code, std::move(text)}); }

void EventRelay::Push(Report report) {
    std::lock_guard lock(mutex_);
    if (!hwnd_) return;
    reports_.push_back(std::move(report));
    if (reports_.size() == 1) PostMessageW(hwnd_, kReportsWaiting, 0, 0);
}

void EventRelay::Detach() {
    detached_ = true;
    HWND hwnd;
    {
        std::lock_guard lock(mutex_);
        hwnd = std::exchange(hwnd_, nullptr);
        reports_.clear();
    }
    if (hwnd) {
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        DestroyWindow(hwnd);
    }
}

// One report per note: a handler that runs a message loop of its own still gets the next
// report from it, in order.
void EventRelay::DeliverOne() {
    Report report;
    {
        std::lock_guard lock(mutex_);
        if (reports_.empty() || !hwnd_) return;
        report = std::move(reports_.front());
        reports_.pop_front();
        if (!reports_.empty()) PostMessageW(hwnd_, kReportsWaiting, 0, 0);
    }
    if (detached_ || finalDelivered_ || !events_) return;
    if (report.isProgress) {
        events_->OnProgress(report.value);
    } else {
        finalDelivered_ = snap_code::IsFinal(report.value);
        events_->OnStatus(report.text, report.value);
    }
}

LRESULT CALLBACK EventRelay::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != kReportsWaiting) return DefWindowProcW(hwnd, message, wParam, lParam);
    return AtWindowBoundary(hwnd, message, wParam, lParam, [&]() -> LRESULT {
        if (auto* relay = reinterpret_cast<EventRelay*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA))) {
            // The handler may drop the component and with it the component's share.
            std::shared_ptr<EventRelay> keepAlive = relay->shared_from_this();
            keepAlive->DeliverOne();
        }
        return 0;
    });
}

}  // namespace pagelens::capture

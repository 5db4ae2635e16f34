// Carries a capture's reports from its worker thread to the thread that created the component,
// where they reach the HtmlSnapEvents sink. A message-only window, made on the creating thread,
// receives a note whenever reports are waiting and hands them on one at a time from that
// thread's message loop. After Detach (on the creating thread) nothing more is delivered, and
// at most one final status is ever delivered. The component and its worker share the relay.
#pragma once
#include <windows.h>

#include <deque>
#include <memory>
#include <mutex>
#include <string>

#include "common/run_error.h"
#include "components/snapshot/core/capture_reporter.h"
#include "components/snapshot/html_snap.h"

namespace pagelens::capture {

class EventRelay final : public CaptureReporter, public std::enable_shared_from_this<EventRelay> {
public:
    // On the thread that is to receive the events.
    static Result<std::shared_ptr<EventRelay>> Create(HtmlSnapEvents* events);
    ~EventRelay();
    EventRelay(const EventRelay&) = delete;
    EventRelay& operator=(const EventRelay&) = delete;

    // From any thread.
    void Progress(int32_t percent) override;
    void Status(std::wstring text, int32_t code) override;

    // On the creating thread.
    void Detach();
    bool finalDelivered() const { return finalDelivered_; }

private:
    struct Report {
        bool isProgress = false;
        int32_t value = 0;  // percent or code
        std::wstring text;
    };

    explicit EventRelay(HtmlSnapEvents* events) : events_(events) {}
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    void Push(Report report);
    void DeliverOne();

    HtmlSnapEvents* events_;  // creating thread only
    bool detached_ = false;   // creating thread only
    bool finalDelivered_ = false;
    std::mutex mutex_;
    std::deque<Report> reports_;
    HWND hwnd_ = nullptr;  // under mutex_: the worker posts to it
};

}  // namespace pagelens::capture

// What the component and its worker share about one capture: the stop event that Close sets,
// and the lock that keeps publishing the work file and stopping apart, so that after Stop
// returns no file appears. The component keeps one; the worker another.
#pragma once
#include <windows.h>

#include <functional>
#include <mutex>

#include "common/unique_handle.h"

namespace pagelens::capture {

class CaptureControl {
public:
    CaptureControl() : stopEvent_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
    CaptureControl(const CaptureControl&) = delete;
    CaptureControl& operator=(const CaptureControl&) = delete;

    bool ok() const { return static_cast<bool>(stopEvent_); }
    HANDLE stopEvent() const { return stopEvent_.get(); }

    void Stop() {
        std::lock_guard lock(mutex_);
        SetEvent(stopEvent_.get());
    }
    bool stopped() const { return WaitForSingleObject(stopEvent_.get(), 0) == WAIT_OBJECT_0; }

    // Runs `publish` unless stopped; false when stopped. `publish` answers whether it put the
    // file in place.
    bool PublishUnlessStopped(const std::function<bool()>& publish) {
        std::lock_guard lock(mutex_);
        if (stopped()) return false;
        published_ = publish();
        return true;
    }
    bool published() const {
        std::lock_guard lock(mutex_);
        return published_;
    }

private:
    UniqueHandleK stopEvent_;
    mutable std::mutex mutex_;
    bool published_ = false;
};

}  // namespace pagelens::capture

// Records what a snapshot component reports, and runs one capture to its end for a test: the
// component is created on the test's thread, whose messages are pumped while it waits.
#pragma once
#include <chrono>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "components/snapshot/html_snap.h"

namespace pagelens::test {

struct StatusReport {
    std::wstring text;
    int32_t code;
};

class CaptureRecorder final : public HtmlSnapEvents {
public:
    void OnProgress(int32_t percent) override { progress.push_back(percent); }
    void OnStatus(const std::wstring& status, int32_t code) override {
        statuses.push_back({status, code});
    }

    // Final codes are the window's five; everything else is a progress text.
    std::vector<StatusReport> finals() const;
    bool finished() const { return !finals().empty(); }
    int32_t finalCode() const;
    std::wstring finalText() const;
    bool HasStatusContaining(const std::wstring& part) const;

    std::vector<int32_t> progress;
    std::vector<StatusReport> statuses;
};

struct CaptureRun {
    std::unique_ptr<HtmlSnap> snap;
    CaptureRecorder recorder;
    bool finishedInTime = false;
    std::chrono::milliseconds elapsed{0};
};

using Settings = std::vector<std::pair<int, int32_t>>;

// Settings of an address capture as the window writes them, with a shorter time limit.
Settings AddressCaptureSettings(int32_t timeLimit = 60000);

// Creates a component, writes `settings`, captures `address` into `file` and pumps messages
// until the final status or `wait`; then pumps a little more so that a second final status
// would show, and closes the component. With `warm`, the capture uses that window's browser.
std::unique_ptr<CaptureRun> CaptureAddress(
    const std::wstring& address, const std::wstring& file, const Settings& settings,
    std::chrono::milliseconds wait = std::chrono::seconds(90),
    const std::shared_ptr<WarmBrowser>& warm = nullptr);

}  // namespace pagelens::test

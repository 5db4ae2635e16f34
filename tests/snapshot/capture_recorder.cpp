#include "tests/snapshot/capture_recorder.h"

#include <gtest/gtest.h>

#include "tests/support/test_support.h"

namespace pagelens::test {

std::vector<StatusReport> CaptureRecorder::finals() const {
    std::vector<StatusReport> found;
    for (const auto& status : statuses)
        if (snap_code::IsFinal(status.code)) found.push_back(status);
    return found;
}

int32_t CaptureRecorder::finalCode() const {
    const auto found = finals();
    return found.empty() ? 0 : found.front().code;
}

std::wstring CaptureRecorder::finalText() const {
    const auto found = finals();
    return found.empty() ? std::wstring() : found.front().text;
}

bool CaptureRecorder::HasStatusContaining(const std::wstring& part) const {
    for (const auto& status : statuses)
        if (status.text.find(part) != std::wstring::npos) return true;
    return false;
}

Settings AddressCaptureSettings(int32_t timeLimit) {
    return {{1, timeLimit}, {2, 1}, {3, 100}, {4, 1}, {5, 1}, {6, 1}, {7, 0}, {9, 2000}};
}

std::unique_ptr<CaptureRun> CaptureAddress(const std::wstring& address, const std::wstring& file,
                                           const Settings& settings, std::chrono::milliseconds wait,
                                           const std::shared_ptr<WarmBrowser>& warm) {
    auto run = std::make_unique<CaptureRun>();
    auto created = HtmlSnap::Create(&run->recorder);
    EXPECT_TRUE(created.ok());
    if (!created.ok()) return run;
    run->snap = std::move(created).value();
    for (const auto& [index, value] : settings)
        EXPECT_TRUE(run->snap->SetSetting(index, value).ok());
    if (warm) run->snap->UseWarmBrowser(warm);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(run->snap->CaptureUrl(address, file).ok());
    run->finishedInTime = PumpUntil([&] { return run->recorder.finished(); }, wait);
    run->elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - start);
    PumpFor(std::chrono::milliseconds(100));
    EXPECT_TRUE(run->snap->Close().ok());
    return run;
}

}  // namespace pagelens::test

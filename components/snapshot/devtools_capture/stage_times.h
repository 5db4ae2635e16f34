// Where a capture browser's capture spends its time, for the capture benchmark: with
// PAGELENS_CAPTURE_TIMES set in the environment, the capture's thread sums the time of each
// named step and writes the sums to standard error, in the order the steps first ran, when the
// capture ends. Unset, a step costs one thread-local read.
#pragma once
#include <chrono>
#include <string>
#include <utility>
#include <vector>

namespace pagelens::capture {

class StageTimes {
public:
    // Installed for this thread while it lives, if the environment asks for it.
    StageTimes();
    ~StageTimes();
    StageTimes(const StageTimes&) = delete;
    StageTimes& operator=(const StageTimes&) = delete;

    void Add(const char* stage, std::chrono::steady_clock::duration spent);
    // The sums, one "<stage> <milliseconds>" a line, to standard error.
    void Print() const;
    static StageTimes* Current();

private:
    bool installed_ = false;
    std::vector<std::pair<std::string, std::chrono::steady_clock::duration>> sums_;
};

// Adds the time from its creation to its end (or to Next) to the current thread's sums.
class StageTimer {
public:
    explicit StageTimer(const char* stage)
        : stage_(stage),
          start_(StageTimes::Current() ? std::chrono::steady_clock::now()
                                       : std::chrono::steady_clock::time_point()) {}
    ~StageTimer() { Next(nullptr); }
    StageTimer(const StageTimer&) = delete;
    StageTimer& operator=(const StageTimer&) = delete;
    // Ends this step and starts `stage` (none: the timer stops).
    void Next(const char* stage);

private:
    const char* stage_;
    std::chrono::steady_clock::time_point start_;
};

}  // namespace pagelens::capture

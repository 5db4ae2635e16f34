#include "components/snapshot/devtools_capture/stage_times.h"

#include <windows.h>

#include <cstdio>

namespace pagelens::capture {
namespace {
thread_local StageTimes* current = nullptr;
}  // namespace

StageTimes::StageTimes() {
    if (current || GetEnvironmentVariableW(L"PAGELENS_CAPTURE_TIMES", nullptr, 0) == 0) return;
    current = this;
    installed_ = true;
}

StageTimes::~StageTimes() {
    if (installed_) current = nullptr;
}

StageTimes* StageTimes::Current() { return current; }

void StageTimes::Add(const char* stage, std::chrono::steady_clock::duration spent) {
    for (auto& [name, sum] : sums_)
        if (name == stage) {
            sum += spent;
            return;
        }
    sums_.emplace_back(stage, spent);
}

void StageTimes::Print() const {
    if (!installed_) return;
    for (const auto& [name, sum] : sums_)
        fprintf(stderr, "stage %s %.1f\n", name.c_str(),
                std::chrono::duration<double, std::milli>(sum).count());
    fflush(stderr);
}

void StageTimer::Next(const char* stage) {
    StageTimes* times = StageTimes::Current();
    if (!times) return;
    const auto now = std::chrono::steady_clock::now();
    if (stage_) times->Add(stage_, now - start_);
    start_ = now;
    stage_ = stage;
}

}  // namespace pagelens::capture

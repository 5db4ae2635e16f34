// Runs a script of steps against the snapshot window from a thread of its own while Exec runs
// on the window's thread. Every step but a pause first waits for the window to show; waits end
// with an error when the window can no longer open (Exec has returned) or after `waitLimit`.
#pragma once
#include <chrono>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "common/run_error.h"
#include "standin/standin_options.h"

namespace pagelens::standin {

struct AutomationContext {
    // Where --copy-work-file looks, asked when it runs (the window makes its work file when it
    // opens); the first found wins.
    std::function<std::vector<std::wstring>()> workFiles;
    std::function<void(const std::wstring&)> log;  // one line per thing done
    std::function<bool()> execRunning;             // false once Exec has returned
    std::chrono::milliseconds waitLimit{std::chrono::minutes(2)};
};

// Runs the steps in order and stops at the first that fails.
Status RunSteps(std::span<const Step> steps, const AutomationContext& context);

}  // namespace pagelens::standin

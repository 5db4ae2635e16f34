// Running the stand-in's steps (see the header). The runner keeps the window it found; a step
// after Escape waits for the next showing of the window.
#include "standin/automation_runner.h"

#include <windows.h>

#include "standin/snapshot_window_driver.h"
#include "standin/window_queries.h"
#include "standin/window_screenshot.h"

namespace pagelens::standin {
namespace {

constexpr DWORD kPollMs = 40;
constexpr auto kEscapeAgain = std::chrono::seconds(3);

class StepRunner {
public:
    explicit StepRunner(const AutomationContext& context) : context_(context) {}

    Status Run(const Step& step) {
        if (step.kind == StepKind::Pause) {
            Sleep(static_cast<DWORD>(step.duration.count()));
            Log(L"paused " + std::to_wstring(step.duration.count()) + L" ms");
            return {};
        }
        auto window = Window();
        PAGELENS_RETURN_IF_ERROR(window);
        switch (step.kind) {
            case StepKind::WaitStatus:
                return WaitForStatus([&](const std::wstring& text) { return text == step.text; },
                                     L"the status \"" + step.text + L"\"");
            case StepKind::WaitCapture:
                return WaitForStatus(IsFinalCaptureStatus, L"the end of the capture");
            case StepKind::Type:
                PAGELENS_RETURN_IF_ERROR(TypeText(*window, step.control, step.text));
                Log(L"typed \"" + step.text + L"\" into " + ControlName(step.control));
                return {};
            case StepKind::Click:
                PAGELENS_RETURN_IF_ERROR(ClickButton(*window, step.control));
                Log(L"clicked " + ControlName(step.control));
                return {};
            case StepKind::Select:
                PAGELENS_RETURN_IF_ERROR(SelectListEntry(*window, step.control, step.text));
                Log(L"chose \"" + step.text + L"\" in " + ControlName(step.control));
                return {};
            case StepKind::Screenshot:
                return Screenshot(*window, step.text);
            case StepKind::CopyWorkFile:
                return CopyWorkFile(step.text);
            case StepKind::Close:
                return Close(*window);
            case StepKind::Pause:
                break;
        }
        return {};
    }

private:
    using Clock = std::chrono::steady_clock;

    void Log(const std::wstring& line) const {
        if (context_.log) context_.log(line);
    }
    bool ExecRunning() const { return !context_.execRunning || context_.execRunning(); }
    Clock::time_point Deadline() const { return Clock::now() + context_.waitLimit; }
    std::wstring LimitText() const {
        auto seconds = std::chrono::duration_cast<std::chrono::seconds>(context_.waitLimit);
        return std::to_wstring(seconds.count()) + L" s";
    }

    Result<HWND> Window() {
        if (window_ && IsWindow(window_) && IsWindowVisible(window_)) return window_;
        window_ = nullptr;
        for (auto deadline = Deadline();;) {
            if (HWND found = FindSnapshotWindow()) {
                window_ = found;
                Log(L"the snapshot window is open: class " + ClassNameOf(found) + L", caption \"" +
                    WindowText(found) + L"\"");
                return found;
            }
            if (!ExecRunning()) return DriverError(L"the snapshot window did not open");
            if (Clock::now() >= deadline)
                return DriverError(L"the snapshot window did not open within " + LimitText());
            Sleep(kPollMs);
        }
    }

    // Every text that panel 1 shows meanwhile goes to the log, as a trace of the capture.
    template <typename Matches>
    Status WaitForStatus(Matches matches, const std::wstring& what) {
        std::wstring shown;
        for (auto deadline = Deadline();;) {
            if (!IsWindow(window_) || !IsWindowVisible(window_))
                return DriverError(L"the snapshot window closed while waiting for " + what);
            auto status = ReadStatusText(window_);
            PAGELENS_RETURN_IF_ERROR(status);
            if (*status != shown) {
                shown = *status;
                Log(L"status: " + shown);
            }
            if (matches(shown)) return {};
            if (Clock::now() >= deadline)
                return DriverError(L"no " + what + L" within " + LimitText() +
                                   L"; the status reads \"" + shown + L"\"");
            Sleep(kPollMs);
        }
    }

    Status Screenshot(HWND window, const std::wstring& path) {
        auto size = SaveWindowScreenshot(window, path);
        PAGELENS_RETURN_IF_ERROR(size);
        Log(L"wrote the screenshot " + path + L" (" + std::to_wstring(size->width) + L"x" +
            std::to_wstring(size->height) + L")");
        return {};
    }

    Status CopyWorkFile(const std::wstring& target) {
        for (const auto& workFile :
             context_.workFiles ? context_.workFiles() : std::vector<std::wstring>()) {
            if (GetFileAttributesW(workFile.c_str()) == INVALID_FILE_ATTRIBUTES) continue;
            if (!CopyFileW(workFile.c_str(), target.c_str(), FALSE))
                return DriverError(L"the work file " + workFile + L" could not be copied (error " +
                                   std::to_wstring(GetLastError()) + L")");
            Log(L"copied the work file " + workFile + L" to " + target);
            return {};
        }
        return DriverError(L"the snapshot window has no work file to copy");
    }

    // A key can be lost, as a person's can: pressed while a message box of the window had the
    // keyboard, it goes nowhere. So Escape is pressed again while the window stays.
    Status Close(HWND window) {
        auto closed = [&] { return !IsWindow(window) || !IsWindowVisible(window); };
        auto nextPress = Clock::now();
        for (auto deadline = Deadline(); !closed();) {
            if (Clock::now() >= nextPress) {
                PAGELENS_RETURN_IF_ERROR(PressEscape(window));
                Log(L"pressed Escape");
                nextPress = Clock::now() + kEscapeAgain;
            }
            if (Clock::now() >= deadline)
                return DriverError(L"the snapshot window did not close on Escape within " +
                                   LimitText());
            Sleep(kPollMs);
        }
        window_ = nullptr;
        Log(L"the snapshot window closed");
        return {};
    }

    const AutomationContext& context_;
    HWND window_ = nullptr;
};

}  // namespace

Status RunSteps(std::span<const Step> steps, const AutomationContext& context) {
    StepRunner runner(context);
    for (const Step& step : steps) {
        Status done = runner.Run(step);
        // Said at once: the window may stay open after a failed step until the time limit.
        if (!done && context.log) context.log(L"step failed: " + done.error().description);
        PAGELENS_RETURN_IF_ERROR(done);
    }
    return {};
}

}  // namespace pagelens::standin

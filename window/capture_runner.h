// The snapshot window's two captures without the window: the tab's page when the window opens,
// and an address typed into it. Both clear the image, start a new component instance with their
// settings, hand it the work file, wait (with the window live) for the final status and show
// what was written. What they capture aside, they differ in one thing, named by CaptureWay: how
// long their instance lives.
#pragma once
// <exdisp.h> needs <windows.h> first.
// clang-format off
#include <windows.h>
#include <exdisp.h>
// clang-format on

#include <functional>
#include <span>
#include <string>

#include "common/run_error.h"
#include "window/snapshot_session.h"

namespace pagelens {

struct CaptureWay {
    std::span<const SnapSetting> settings;
    // The tab's page is taken once: its instance is closed when done and dropped on a failure.
    // A typed address's instance stays until the next capture or the window's closing.
    bool endsInstance;
};
inline constexpr CaptureWay kTabPageCapture{kBrowserCaptureSettings, true};
inline constexpr CaptureWay kTypedAddressCapture{kAddressCaptureSettings, false};

enum class CaptureEnd {
    Done,       // the final status came; the image is shown if the work file was written
    Abandoned,  // the window closed during the wait
    Nothing,    // a blank address: nothing was captured
};

// What the window does around a capture.
struct CaptureHooks {
    std::function<void()> clearImage;
    std::function<Status()> showResult;  // the work file was written
    std::function<bool()> abandoned;     // checked while waiting
    std::function<bool(MSG&)> preTranslate;
};

class CaptureRunner {
public:
    // Events of the instances go to `events`, which hands their statuses to `session`.
    CaptureRunner(SnapshotSession& session, HtmlSnapEvents* events, CaptureHooks hooks)
        : session_(session), events_(events), hooks_(std::move(hooks)) {}

    // `addressFound` hears the page's address before its capture starts.
    Result<CaptureEnd> CaptureTabPage(IWebBrowser2* browser,
                                      const std::function<void(const std::wstring&)>& addressFound);
    // `address` with its blanks trimmed.
    Result<CaptureEnd> CaptureTypedAddress(const std::wstring& address);

private:
    // Starts the way's capture on the new instance; Nothing when there is nothing to capture.
    using Start = std::function<Result<CaptureEnd>(HtmlSnap& snap, const std::wstring& workFile)>;
    Result<CaptureEnd> Run(const CaptureWay& way, const Start& start);
    Result<CaptureEnd> RunSteps(const CaptureWay& way, const Start& start);

    SnapshotSession& session_;
    HtmlSnapEvents* events_;
    CaptureHooks hooks_;
};

}  // namespace pagelens

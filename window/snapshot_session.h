// One showing's captures, without the window: the work file and where it may live, the current
// snapshot component instance, the settings each way of capturing writes into it, and the wait
// for its final status. The window drives it from its handlers; tests drive it directly.
#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "common/held_folder.h"
#include "common/run_error.h"
#include "components/snapshot/devtools_capture/warm_browser.h"
#include "components/snapshot/html_snap.h"

namespace pagelens {

using SnapFactory = std::function<Result<std::unique_ptr<HtmlSnap>>(HtmlSnapEvents*)>;

struct SnapSetting {
    int index;
    int32_t value;
};

// What the window writes into a new instance, in this order, for each way of capturing.
inline constexpr SnapSetting kBrowserCaptureSettings[] = {
    {1, 40000}, {2, 1}, {3, 100}, {4, 1}, {5, 1}, {6, 1}, {7, 1}, {8, 1}, {9, 1000}};
inline constexpr SnapSetting kAddressCaptureSettings[] = {{1, 180000}, {2, 1}, {3, 100}, {4, 1},
                                                          {5, 1},      {6, 1}, {7, 0},   {9, 2000}};

// Panel 1's text for a final code; null for a progress code.
const wchar_t* FinalStatusText(int32_t code);

// Each showing's work file is `snapshot.jpg` in a folder of its own, `<parent>\<prefix><process
// id>-<n>`, that only the user may open and that goes when the window closes; the folders of
// windows that ended without closing are swept by the next one.
inline constexpr wchar_t kWorkFolderPrefix[] = L"iePagelens-snapshot-";

class SnapshotSession {
public:
    // `factory` may be empty: then the real component is created.
    void UseFactory(SnapFactory factory) { factory_ = std::move(factory); }

    // A fresh work folder in `parent`, or in the user's temporary folder; the one before goes.
    // Failing, the work file has no path and captures fail to write it.
    Status MakeWorkFile(const std::optional<std::wstring>& parent);
    // The work file, its folder and whatever a capture left in it.
    void ReleaseWorkFile();
    void SetWorkFilePath(std::wstring path) { workFilePath_ = std::move(path); }
    const std::wstring& WorkFilePath() const { return workFilePath_; }
    bool WorkFileExists() const;
    Status DeleteWorkFile();

    // Drops the previous instance (without Close), creates a new one whose events go to
    // `events`, and writes `settings` into it.
    Status StartNewSnap(std::span<const SnapSetting> settings, HtmlSnapEvents* events);
    HtmlSnap* Snap() const { return snap_.get(); }
    // Closes the instance, then drops it; nothing when there is none.
    void CloseSnap();
    void DropSnap() { snap_.reset(); }

    // The capture browser kept for this showing's captures: started early while the user edits
    // the address, ended with the showing.
    void StartBrowserEarly() { warmBrowser_->StartEarly(); }
    void EndWarmBrowser() { warmBrowser_->End(); }

    void BeginCapture() { captureDone_ = false; }
    // A status report: true for a final code, which ends the wait.
    bool ReportStatus(int32_t code);
    bool CaptureDone() const { return captureDone_; }

    // Yields to the message loop until the final status, or until `abandon` says to stop.
    void WaitForCapture(const std::function<bool()>& abandon,
                        const std::function<bool(MSG&)>& preTranslate);

private:
    SnapFactory factory_;
    std::unique_ptr<HtmlSnap> snap_;
    std::shared_ptr<WarmBrowser> warmBrowser_ = std::make_shared<WarmBrowser>();
    HeldFolder workFolder_;
    std::wstring workFilePath_;
    bool captureDone_ = false;
};

}  // namespace pagelens

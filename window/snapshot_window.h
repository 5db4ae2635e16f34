// frmMain: the snapshot window. It captures the page, shows and transforms the image, and saves
// it. One window object per browser thread, owned by the extension's record of that thread and
// shown modally by its command; each showing runs the whole load sequence again. The window holds
// the browser of a showing until that showing ends.
//
// Handlers carry the names of the events they serve (control_event) and stay a few lines over
// the plain classes: the session, the settings, the capture runner and the save flow. Those that
// the tests drive are public; the tests reach anything more only through their one seam. The
// members are defined in the files of their parts: snapshot_lifecycle, snapshot_layout,
// snapshot_capture, snapshot_view, snapshot_save, and snapshot_window for the message plumbing.
#pragma once
// <exdisp.h> needs <windows.h> first.
// clang-format off
#include <windows.h>
#include <exdisp.h>
// clang-format on

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "common/com_ptr.h"
#include "common/run_error.h"
#include "common/unique_handle.h"
#include "components/snapshot/html_snap.h"
#include "components/viewer/picture_viewer.h"
#include "ui/status_bar.h"
#include "window/capture_runner.h"
#include "window/placement_fit.h"
#include "window/save_dialog.h"
#include "window/snapshot_session.h"
#include "window/snapshot_state.h"

namespace pagelens {
namespace test {
class SnapshotWindowSeam;
}

class frmMain final : private HtmlSnapEvents {
    friend class test::SnapshotWindowSeam;  // the tests' one way in (tests/window/window_fixture.h)

public:
    frmMain();
    ~frmMain();
    frmMain(const frmMain&) = delete;
    frmMain& operator=(const frmMain&) = delete;

    // Loads the window over `browser`'s page and shows it modally with no owner; returns when it
    // has closed. A failure while loading is returned and no window stays open.
    Status Show(IWebBrowser2* browser);
    // The load alone, for callers that run their own loop (tests): creates the window and runs
    // Form_Load; the window is visible afterwards.
    Status Load(IWebBrowser2* browser);
    HWND hwnd() const { return hwnd_; }

    // Lifecycle
    Status SetAddress(const std::wstring& strURL);
    void Form_KeyPress(int16_t& keyAscii);
    void Unload();

    // Capture
    Status cmdSnapshot_Click();
    void txtAddress_KeyPress(int16_t& keyAscii);

    // View and transforms
    Status cmdBlackAndWhite_Click();
    Status cmdGray_Click();
    void cmdReSize_Click();
    Status cmdPreset_Click();
    Status cmdOriginal_Click();

    // Saving
    Status cmdSave_Click();

    // Window plumbing (see common/routed_window_proc.h).
    void Attach(HWND hwnd);
    void Detach();
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

private:
    // Handlers of events that only the window itself raises.
    Status Form_Load();
    Status PrepareLoad();
    void Form_Resize();
    void Form_Unload(int16_t& cancel);
    void tmrLoad_Timer();
    void txtAddress_Change();
    Status TakeSnapshot(IWebBrowser2* objBrowser);
    void Snap1_OnProgress(int32_t nPos);
    void Snap1_OnStatus(const std::wstring& strStatus, int32_t nCode);
    void scrollZoom_Scroll();
    void scrollZoom_Change();
    Status cboImageType_Click();
    Status cboQuality_Click();
    void cmdAbout_Click();

    std::wstring ControlText(int id) const;
    void SetControlText(int id, const std::wstring& text);
    void SetZoomValue(int value);
    int ZoomValue() const;

    // The hourglass for the life of a handler: MousePointer(11) when made, MousePointer(0) on
    // every way out, early returns included.
    class WaitCursor {
    public:
        explicit WaitCursor(frmMain& window) : window_(window) { window_.MousePointer(kHourglass); }
        ~WaitCursor() { window_.MousePointer(kDefaultPointer); }
        WaitCursor(const WaitCursor&) = delete;
        WaitCursor& operator=(const WaitCursor&) = delete;

    private:
        frmMain& window_;
    };
    static constexpr int kDefaultPointer = 0;
    static constexpr int kHourglass = 11;
    // The load sequence's capture starts from the loop, once the window has been drawn.
    static constexpr UINT_PTR kLoadTimer = 1;
    static constexpr UINT kLoadTimerInterval = 5;

    void PlaceAsStored(const Placement& place);
    void FillChoiceLists(const SnapshotSettings& settings);
    bool CreateNativeWindow();
    void CreateControls();
    void PaintContent(HDC dc);
    void EraseBackground(HDC dc);
    void OnCommand(int id, int notification);
    void OnZoomScroll(int request);
    bool PreTranslate(MSG& msg);
    void MousePointer(int pointer);
    void ReportError(const RunError& error);
    void ReportInStatusBar(const RunError& error);
    bool IsMinimized() const;

    CaptureRunner Captures();
    // The work file's image at 100%, its size in the Original box.
    Status ShowResult();

    // HtmlSnapEvents
    void OnProgress(int32_t percent) override { Snap1_OnProgress(percent); }
    void OnStatus(const std::wstring& status, int32_t code) override {
        Snap1_OnStatus(status, code);
    }

    HWND hwnd_ = nullptr;
    UniqueHfont font_;
    UniqueHicon icon_;
    PictureViewer viewer_;
    StatusBar statusBar_;
    SnapshotSession session_;  // the work file and Snap1, the current component instance
    SnapshotState state_;
    ComPtr<IWebBrowser2> browser_;  // the showing's
    ShownPlacement shownPlacement_;
    bool unloading_ = false;
    bool busy_ = false;
    int dpi_ = 96;
    SaveDialog saveDialog_;
};

}  // namespace pagelens

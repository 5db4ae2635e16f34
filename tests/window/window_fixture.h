// A snapshot window opened over a stand-in browser page, with a scripted snapshot component and
// the real registry; the settings key is emptied before and after each test.
#pragma once
#include <gtest/gtest.h>

#include <memory>
#include <optional>

#include "common/com_ptr.h"
#include "settings/settings.h"
#include "standin/message_boxes.h"
#include "tests/support/test_support.h"
#include "tests/window/scripted_snap.h"
#include "window/control_ids.h"
#include "window/snapshot_state.h"
#include "window/snapshot_window.h"

namespace pagelens::test {

// What the tests reach inside the window beyond its handlers: substitutes for the outside
// components, and what the window shows and holds.
class SnapshotWindowSeam {
public:
    explicit SnapshotWindowSeam(frmMain& window) : window_(window) {}
    void UseSnapFactory(SnapFactory factory) { window_.session_.UseFactory(std::move(factory)); }
    void UseSaveDialog(SaveDialog dialog) { window_.saveDialog_ = std::move(dialog); }
    SnapshotState& State() { return window_.state_; }
    PictureViewer& Viewer() { return window_.viewer_; }
    StatusBar& sbStatusBar() { return window_.statusBar_; }
    const std::wstring& WorkFilePath() const { return window_.session_.WorkFilePath(); }
    bool Busy() const { return window_.busy_; }
    std::wstring ControlText(int id) const { return window_.ControlText(id); }
    void SetControlText(int id, const std::wstring& text) { window_.SetControlText(id, text); }
    int ZoomValue() const { return window_.ZoomValue(); }
    void SetZoomValue(int value) { window_.SetZoomValue(value); }

private:
    frmMain& window_;
};

void ClearSettings();
void StoreSetting(const wchar_t* name, const SettingValue& value);
std::optional<std::wstring> StoredSetting(const wchar_t* name);

class SnapshotWindowTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Opens the window; its load timer starts the first script.
    void Open(std::vector<SnapScript> scripts);
    // Pumps until the window's load capture has finished.
    void WaitForIdle();
    std::wstring Text(int id) const { return SnapshotWindowSeam(*window).ControlText(id); }
    std::wstring Panel(int panel) { return seam().sbStatusBar().PanelText(panel); }
    std::wstring SelectedListText(int id) const;
    SnapshotWindowSeam seam() { return SnapshotWindowSeam(*window); }
    SnapshotState& State() { return seam().State(); }

    std::unique_ptr<ScriptedSnapFactory> factory;
    std::unique_ptr<frmMain> window;
    ComPtr<IWebBrowser2> browser;
    std::unique_ptr<standin::MessageBoxWatcher> boxes;
    HWND frame = nullptr;
};

}  // namespace pagelens::test

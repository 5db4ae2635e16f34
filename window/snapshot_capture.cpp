// The snapshot window's capture handlers over the capture runner (capture_runner.h): the
// browser's page when the window opens, and any typed address.
#include "common/number_text.h"
#include "window/capture_runner.h"
#include "window/control_ids.h"
#include "window/snapshot_window.h"

namespace pagelens {

CaptureRunner frmMain::Captures() {
    return CaptureRunner(session_, this,
                         {.clearImage = [this] { viewer_.Clear(); },
                          .showResult = [this] { return ShowResult(); },
                          // Closing the window abandons the wait: the unload ended the capture.
                          .abandoned = [this] { return unloading_; },
                          .preTranslate = [this](MSG& msg) { return PreTranslate(msg); }});
}

Status frmMain::ShowResult() {
    PAGELENS_RETURN_IF_ERROR(viewer_.LoadImage(session_.WorkFilePath()));
    SetControlText(ids::lblWidth, DecimalText(viewer_.ImageWidth()));
    SetControlText(ids::lblHeight, DecimalText(viewer_.ImageHeight()));
    SetZoomValue(100);
    return {};
}

void frmMain::tmrLoad_Timer() {
    KillTimer(hwnd_, kLoadTimer);
    WaitCursor wait(*this);
    Status status = TakeSnapshot(browser_.get());
    if (!status.ok() && !unloading_) ReportError(status.error());
}

// On an error the instance is dropped and the error returned; the caller shows it.
Status frmMain::TakeSnapshot(IWebBrowser2* objBrowser) {
    auto end = Captures().CaptureTabPage(objBrowser, [this](const std::wstring& address) {
        // A standard user may not write the machine's settings: the capture goes on regardless.
        if (Status stored = SetAddress(address); !stored.ok())
            statusBar_.SetPanelText(1, L"The address could not be stored in the settings: " +
                                           stored.error().description);
    });
    if (!end.ok()) return end.error();
    return {};
}

Status frmMain::cmdSnapshot_Click() {
    WaitCursor wait(*this);
    SetControlText(ids::lblWidth, L"");
    SetControlText(ids::lblHeight, L"");
    auto end = Captures().CaptureTypedAddress(TrimBlanks(ControlText(ids::txtAddress)));
    if (!end.ok()) return end.error();
    if (*end == CaptureEnd::Nothing) SetFocus(GetDlgItem(hwnd_, ids::txtAddress));
    if (*end == CaptureEnd::Done) statusBar_.SetPanelText(2, L"");
    return {};
}

void frmMain::txtAddress_KeyPress(int16_t& keyAscii) {
    if (keyAscii != VK_RETURN) return;
    // Errors of a capture started by Enter are ignored; the run stops at the failing step.
    (void)cmdSnapshot_Click();
}

// The user is typing an address: the capture browser starts now, so that the Snapshot press
// finds it running. The window's own SetAddress clears the modify flag and starts nothing.
void frmMain::txtAddress_Change() {
    if (SendDlgItemMessageW(hwnd_, ids::txtAddress, EM_GETMODIFY, 0, 0))
        session_.StartBrowserEarly();
}

void frmMain::Snap1_OnProgress(int32_t nPos) {
    if (nPos > 0) statusBar_.SetPanelText(2, DecimalText(nPos) + L"%");
}

void frmMain::Snap1_OnStatus(const std::wstring& strStatus, int32_t nCode) {
    const wchar_t* finalText = FinalStatusText(nCode);
    if (!finalText)
        statusBar_.SetPanelText(1, strStatus);
    else if (nCode == snap_code::kFailed && strStatus == kNoCaptureBrowserInProtectedMode)
        statusBar_.SetPanelText(1, finalText + (L": " + strStatus));
    else
        statusBar_.SetPanelText(1, finalText);
    session_.ReportStatus(nCode);
}

}  // namespace pagelens

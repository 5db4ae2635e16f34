// The snapshot window's captures: the browser's page when the window opens, and any typed
// address. Both hand the work to the snapshot component and wait, with the window live, for its
// final status.
#include <mshtml.h>

#include "common/com_ptr.h"
#include "common/number_text.h"
#include "common/unique_handle.h"
#include "ui/modal_loop.h"
#include "window/control_ids.h"
#include "window/snapshot_window.h"

namespace pagelens {
namespace {

// The address of the document the browser shows.
Result<std::wstring> DocumentAddress(IWebBrowser2* browser) {
    if (!browser) return errors::ObjectRequired();
    ComPtr<IDispatch> document;
    if (FAILED(browser->get_Document(document.put())) || !document) return errors::ObjectRequired();
    ComPtr<IHTMLDocument2> html;
    if (FAILED(document.As(IID_IHTMLDocument2, html))) return errors::TypeMismatch();
    UniqueBstr url;
    HRESULT hr = html->get_URL(url.put());
    if (FAILED(hr)) return errors::FromHresult(hr, L"The document's address could not be read");
    return BstrText(url);
}

Status RequireSnap(const HtmlSnap* snap) {
    if (!snap) return errors::ObjectRequired();
    return {};
}

}  // namespace

// Yields to the message loop until the component's final status arrives. Closing the window
// abandons the wait: the capture was ended by the unload.
void frmMain::WaitForCapture() {
    session_.WaitForCapture([this] { return unloading_; },
                            [this](MSG& msg) { return PreTranslate(msg); });
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
    auto run = [&]() -> Status {
        session_.BeginCapture();
        viewer_.Clear();
        PAGELENS_RETURN_IF_ERROR(session_.DeleteWorkFile());
        PAGELENS_RETURN_IF_ERROR(session_.StartNewSnap(kBrowserCaptureSettings, this));
        auto address = DocumentAddress(objBrowser);
        if (!address.ok()) return address.error();
        // A standard user may not write the machine's settings: the capture goes on regardless.
        if (Status stored = SetAddress(*address); !stored.ok())
            statusBar_.SetPanelText(1, L"The address could not be stored in the settings: " +
                                           stored.error().description);
        PAGELENS_RETURN_IF_ERROR(
            session_.Snap()->CaptureBrowser(objBrowser, session_.WorkFilePath()));
        WaitForCapture();
        if (unloading_) return {};
        if (session_.WorkFileExists()) PAGELENS_RETURN_IF_ERROR(ShowResult());
        PAGELENS_RETURN_IF_ERROR(RequireSnap(session_.Snap()));
        session_.CloseSnap();
        return {};
    };
    Status status = run();
    if (!status.ok()) session_.DropSnap();
    return status;
}

Status frmMain::cmdSnapshot_Click() {
    WaitCursor wait(*this);
    SetControlText(ids::lblWidth, L"");
    SetControlText(ids::lblHeight, L"");
    session_.BeginCapture();
    viewer_.Clear();
    PAGELENS_RETURN_IF_ERROR(session_.DeleteWorkFile());
    PAGELENS_RETURN_IF_ERROR(session_.StartNewSnap(kAddressCaptureSettings, this));
    const std::wstring address = TrimBlanks(ControlText(ids::txtAddress));
    if (address.empty()) {
        SetFocus(GetDlgItem(hwnd_, ids::txtAddress));
        return {};
    }
    PAGELENS_RETURN_IF_ERROR(session_.Snap()->CaptureUrl(address, session_.WorkFilePath()));
    WaitForCapture();
    if (unloading_) return {};
    if (session_.WorkFileExists()) PAGELENS_RETURN_IF_ERROR(ShowResult());
    statusBar_.SetPanelText(2, L"");
    return {};
}

void frmMain::txtAddress_KeyPress(int16_t& keyAscii) {
    if (keyAscii != VK_RETURN) return;
    // Errors of a capture started by Enter are ignored; the run stops at the failing step.
    (void)cmdSnapshot_Click();
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

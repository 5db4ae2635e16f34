// The snapshot window's captures: the browser's page when the window opens, and any typed
// address. Both hand the work to the snapshot component and wait, with the window live, for its
// final status.
#include <mshtml.h>

#include "common/com_ptr.h"
#include "common/number_text.h"
#include "common/protected_mode.h"
#include "window/capture_engine.h"
#include "window/control_ids.h"
#include "window/modal_loop.h"
#include "window/snapshot_state.h"
#include "window/snapshot_window.h"

namespace pagelens {
namespace {

struct FinalStatus {
    int32_t code;
    const wchar_t* text;
};

constexpr FinalStatus kFinalStatuses[] = {
    {1, L"The snapshot is successfully taken"},
    {-1, L"Fail to take the snapshot of the page"},
    {-2, L"Fail to save to file"},
    {-3, L"Fail to open the URL"},
    {-4, L"Time is out before taking a snapshot"},
};

const FinalStatus* FindFinalStatus(int32_t code) {
    for (const auto& status : kFinalStatuses)
        if (status.code == code) return &status;
    return nullptr;
}

// The address of the document the browser shows.
Result<std::wstring> DocumentAddress(IWebBrowser2* browser) {
    if (!browser) return errors::ObjectRequired();
    ComPtr<IDispatch> document;
    if (FAILED(browser->get_Document(document.put())) || !document)
        return errors::ObjectRequired();
    ComPtr<IHTMLDocument2> html;
    if (FAILED(document.As(IID_IHTMLDocument2, html))) return errors::TypeMismatch();
    BSTR url = nullptr;
    HRESULT hr = html->get_URL(&url);
    if (FAILED(hr)) return errors::FromHresult(hr, L"The document's address could not be read");
    std::wstring address = url ? std::wstring(url, SysStringLen(url)) : std::wstring();
    SysFreeString(url);
    return address;
}

Status RequireSnap(const std::unique_ptr<HtmlSnap>& snap) {
    if (!snap) return errors::ObjectRequired();
    return {};
}

}  // namespace

bool frmMain::WorkFileExists() const {
    DWORD attributes = GetFileAttributesW(workFilePath_.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

Status frmMain::DeleteWorkFile() {
    if (!WorkFileExists()) return {};
    if (!DeleteFileW(workFilePath_.c_str()))
        return RunError{75, L"iePagelens", L"Path/File access error"};
    return {};
}

Status frmMain::StartNewSnap(std::initializer_list<SnapSetting> settings) {
    Snap1.reset();
    const CaptureEngineChoice engine = ChooseCaptureEngine(InProtectedMode());
    unavailableReason_ = engine.reason;
    auto created = !engine.captureBrowser ? UnavailableCapture(this, engine.reason)
                   : snapFactory_         ? snapFactory_(this)
                                          : HtmlSnap::Create(this);
    if (!created.ok()) return created.error();
    Snap1 = std::move(created).value();
    for (const auto& setting : settings) PAGELENS_RETURN_IF_ERROR(Snap1->SetSetting(setting.index, setting.value));
    return {};
}

// Yields to the message loop until the component's final status arrives. Closing the window
// abandons the wait: the capture was ended by the unload.
void frmMain::WaitForCapture() {
    auto preTranslate = [this](MSG& msg) { return PreTranslate(msg); };
    while (!captureDone_ && !unloading_) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        ProcessPendingMessages(preTranslate);
    }
}

Status frmMain::ShowResult() {
    PAGELENS_RETURN_IF_ERROR(viewer_.LoadImage(workFilePath_));
    SetControlText(ids::lblWidth, DecimalText(viewer_.ImageWidth()));
    SetControlText(ids::lblHeight, DecimalText(viewer_.ImageHeight()));
    SetZoomValue(100);
    return {};
}

void frmMain::tmrLoad_Timer() {
    KillTimer(hwnd_, 1);
    MousePointer(11);
    Status status = TakeSnapshot(ThreadBrowser());
    if (!status.ok() && !unloading_) ReportError(status.error());
    MousePointer(0);
}

// On an error the instance is dropped and the error returned; the caller shows it.
Status frmMain::TakeSnapshot(IWebBrowser2* objBrowser) {
    auto run = [&]() -> Status {
        captureDone_ = false;
        viewer_.Clear();
        PAGELENS_RETURN_IF_ERROR(DeleteWorkFile());
        PAGELENS_RETURN_IF_ERROR(StartNewSnap(
            {{1, 40000}, {2, 1}, {3, 100}, {4, 1}, {5, 1}, {6, 1}, {7, 1}, {8, 1}, {9, 1000}}));
        auto address = DocumentAddress(objBrowser);
        if (!address.ok()) return address.error();
        // A standard user may not write the machine's settings: the capture goes on regardless.
        if (Status stored = SetAddress(*address); !stored.ok())
            statusBar_.SetPanelText(1, L"The address could not be stored in the settings: " +
                                           stored.error().description);
        PAGELENS_RETURN_IF_ERROR(Snap1->CaptureBrowser(objBrowser, workFilePath_));
        WaitForCapture();
        if (unloading_) return {};
        if (WorkFileExists()) PAGELENS_RETURN_IF_ERROR(ShowResult());
        PAGELENS_RETURN_IF_ERROR(RequireSnap(Snap1));
        (void)Snap1->Close();
        Snap1.reset();
        return {};
    };
    Status status = run();
    if (!status.ok()) Snap1.reset();
    return status;
}

Status frmMain::cmdSnapshot_Click() {
    MousePointer(11);
    SetControlText(ids::lblWidth, L"");
    SetControlText(ids::lblHeight, L"");
    captureDone_ = false;
    viewer_.Clear();
    PAGELENS_RETURN_IF_ERROR(DeleteWorkFile());
    PAGELENS_RETURN_IF_ERROR(
        StartNewSnap({{1, 180000}, {2, 1}, {3, 100}, {4, 1}, {5, 1}, {6, 1}, {7, 0}, {9, 2000}}));
    const std::wstring address = TrimBlanks(ControlText(ids::txtAddress));
    if (address.empty()) {
        SetFocus(GetDlgItem(hwnd_, ids::txtAddress));
        MousePointer(0);
        return {};
    }
    PAGELENS_RETURN_IF_ERROR(Snap1->CaptureUrl(address, workFilePath_));
    WaitForCapture();
    if (unloading_) return {};
    if (WorkFileExists()) PAGELENS_RETURN_IF_ERROR(ShowResult());
    statusBar_.SetPanelText(2, L"");
    MousePointer(0);
    return {};
}

void frmMain::txtAddress_KeyPress(int16_t& keyAscii) {
    if (keyAscii != VK_RETURN) return;
    // Errors of a capture started by Enter are ignored; the run stops at the failing step.
    if (!cmdSnapshot_Click().ok()) MousePointer(0);
}

void frmMain::Snap1_OnProgress(int32_t nPos) {
    if (nPos > 0) statusBar_.SetPanelText(2, DecimalText(nPos) + L"%");
}

void frmMain::Snap1_OnStatus(const std::wstring& strStatus, int32_t nCode) {
    if (const FinalStatus* final = FindFinalStatus(nCode)) {
        if (nCode == -1 && !unavailableReason_.empty())
            statusBar_.SetPanelText(1, final->text + (L": " + unavailableReason_));
        else
            statusBar_.SetPanelText(1, final->text);
        captureDone_ = true;
    } else {
        statusBar_.SetPanelText(1, strStatus);
    }
}

}  // namespace pagelens

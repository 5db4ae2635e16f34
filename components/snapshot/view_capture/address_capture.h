// A typed address captured in the browser's own engine, where no capture browser may run (none
// is installed, or the tab runs in Protected Mode): our own WebBrowser control, in this process
// and so with the user's session, is navigated to the address, waited for until its document is
// complete, and then captured tile by tile as a browser capture is. Like that capture it runs
// in steps of this thread's message loop; Close or the time limit end it between two steps, and
// it ends with one final report.
#pragma once
#include <memory>
#include <string>

#include "components/snapshot/core/capture_control.h"
#include "components/snapshot/core/capture_engine.h"
#include "components/snapshot/core/capture_reporter.h"
#include "components/snapshot/view_capture/hosted_browser.h"
#include "components/snapshot/view_capture/view_capture.h"

namespace pagelens::capture {

class AddressCapture final : public CaptureEngine {
public:
    // The control, with a view of `view` device pixels, is made at once; an error says why it
    // cannot be.
    static Result<std::unique_ptr<AddressCapture>> Open(std::wstring address, SIZE view,
                                                        ViewCaptureRequest request,
                                                        std::shared_ptr<CaptureControl> control,
                                                        CaptureReporter& reporter);
    ~AddressCapture() override;
    AddressCapture(const AddressCapture&) = delete;
    AddressCapture& operator=(const AddressCapture&) = delete;

    // Navigates and starts waiting for the document; a failure is the final report, so it
    // always starts.
    Status Start() override;
    void Stop() override;

private:
    AddressCapture(std::wstring address, ViewCaptureRequest request,
                   std::shared_ptr<CaptureControl> control, CaptureReporter& reporter);
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    void Poll();
    void End(int32_t code, const std::wstring& text);

    const std::wstring address_;
    const ViewCaptureRequest request_;
    std::shared_ptr<CaptureControl> control_;
    CaptureReporter& reporter_;
    std::unique_ptr<HostedBrowser> hosted_;
    std::unique_ptr<ViewCapture> view_;  // once the document is complete
    UniqueHwnd window_;
    bool ended_ = false;
};

}  // namespace pagelens::capture

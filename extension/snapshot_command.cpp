#include "extension/snapshot_command.h"

#include <mshtml.h>

#include <string>

#include "common/com_ptr.h"
#include "common/run_error.h"
#include "extension/extension_thread.h"
#include "extension/module_state.h"
#include "ui/error_text.h"
#include "window/snapshot_window.h"

namespace pagelens {
namespace {

// The current document of the browser, as an HTML document.
Status CheckHtmlDocument(IWebBrowser2* browser) {
    if (!browser) return errors::ObjectRequired();
    ComPtr<IDispatch> document;
    if (FAILED(browser->get_Document(document.put())) || !document) return errors::ObjectRequired();
    ComPtr<IHTMLDocument2> html;
    if (FAILED(document.As(IID_IHTMLDocument2, html)) || !html) return errors::TypeMismatch();
    return {};
}

// The thread's window, made by its first command; the record stays until the window has closed.
Status ShowSnapshotWindow(IWebBrowser2* browser) {
    RunningCommand running;
    if (ExtensionThread* thread = running.thread()) {
        if (!thread->snapshotWindow) thread->snapshotWindow = std::make_unique<frmMain>();
        return thread->snapshotWindow->Show(browser);
    }
    // No object of ours holds a browser on this thread: a window for this command only.
    frmMain window;
    return window.Show(browser);
}

}  // namespace

void RunSnapshotCommand(IWebBrowser2* browser) noexcept {
    // The library's code stays on the stack for as long as the window is open.
    ModuleAddRef();
    try {
        Status status = CheckHtmlDocument(browser);
        if (status.ok()) status = ShowSnapshotWindow(browser);
        if (!status.ok()) {
            const std::wstring text = L"iePagelens Error: " + status.error().description;
            MessageBoxW(nullptr, text.c_str(), L"iePagelens", MB_OK);
        }
    } catch (...) {
    }
    ModuleRelease();
}

}  // namespace pagelens

#include "window/capture_runner.h"

#include <mshtml.h>

#include "common/com_ptr.h"
#include "common/unique_handle.h"

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

}  // namespace

Result<CaptureEnd> CaptureRunner::CaptureTabPage(
    IWebBrowser2* browser, const std::function<void(const std::wstring&)>& addressFound) {
    return Run(kTabPageCapture,
               [&](HtmlSnap& snap, const std::wstring& workFile) -> Result<CaptureEnd> {
                   auto address = DocumentAddress(browser);
                   if (!address.ok()) return address.error();
                   addressFound(*address);
                   PAGELENS_RETURN_IF_ERROR(snap.CaptureBrowser(browser, workFile));
                   return CaptureEnd::Done;
               });
}

Result<CaptureEnd> CaptureRunner::CaptureTypedAddress(const std::wstring& address) {
    return Run(kTypedAddressCapture,
               [&](HtmlSnap& snap, const std::wstring& workFile) -> Result<CaptureEnd> {
                   if (address.empty()) return CaptureEnd::Nothing;
                   PAGELENS_RETURN_IF_ERROR(snap.CaptureUrl(address, workFile));
                   return CaptureEnd::Done;
               });
}

Result<CaptureEnd> CaptureRunner::Run(const CaptureWay& way, const Start& start) {
    auto end = RunSteps(way, start);
    if (!end.ok() && way.endsInstance) session_.DropSnap();
    return end;
}

Result<CaptureEnd> CaptureRunner::RunSteps(const CaptureWay& way, const Start& start) {
    session_.BeginCapture();
    hooks_.clearImage();
    PAGELENS_RETURN_IF_ERROR(session_.DeleteWorkFile());
    PAGELENS_RETURN_IF_ERROR(session_.StartNewSnap(way.settings, events_));
    auto started = start(*session_.Snap(), session_.WorkFilePath());
    if (!started.ok() || *started == CaptureEnd::Nothing) return started;
    session_.WaitForCapture(hooks_.abandoned, hooks_.preTranslate);
    if (hooks_.abandoned()) return CaptureEnd::Abandoned;
    if (session_.WorkFileExists()) PAGELENS_RETURN_IF_ERROR(hooks_.showResult());
    if (way.endsInstance) {
        // The window may have let go of the instance while it waited.
        if (!session_.Snap()) return errors::ObjectRequired();
        session_.CloseSnap();
    }
    return CaptureEnd::Done;
}

}  // namespace pagelens

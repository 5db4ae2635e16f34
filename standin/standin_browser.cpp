// Puts one stand-in browser together; the parts own themselves (see the header).
#include "standin/standin_browser.h"

#include "standin/browser_frame.h"
#include "standin/web_browser.h"

namespace pagelens::standin {

StandinBrowser MakeStandinBrowser(DocumentKind document, SiteKind site, const std::wstring& address,
                                  const std::wstring& title) {
    StandinBrowser result;
    result.frame = CreateBrowserFrame(title, address);
    BrowserPage page{CreateDocument(document, address, title), address, title};
    if (document == DocumentKind::Drawn) {
        PageDesign design;
        design.url = address;
        result.drawnPage = std::make_unique<DrawnPage>(result.frame.get(), design);
        page.document = ComPtr<IDispatch>(result.drawnPage->document());
    }
    result.browser = CreateWebBrowser(result.frame.get(), std::move(page));
    result.site = CreateBrowserSite(site, result.browser);
    return result;
}

}  // namespace pagelens::standin

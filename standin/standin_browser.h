// One stand-in browser put together: its frame window, the browser object that shows a
// document of the chosen kind at an address, and a site of the chosen kind around it. The
// struct owns all three; destroy it on the thread that made it (the frame is a window).
#pragma once
#include <exdisp.h>

#include <memory>
#include <string>

#include "common/com_ptr.h"
#include "common/unique_handle.h"
#include "standin/browser_site.h"
#include "standin/documents.h"
#include "standin/drawn_page.h"

namespace pagelens::standin {

struct StandinBrowser {
    UniqueHwnd frame;
    ComPtr<IWebBrowser2> browser;
    ComPtr<IUnknown> site;
    std::unique_ptr<DrawnPage> drawnPage;  // for DocumentKind::Drawn
};

StandinBrowser MakeStandinBrowser(DocumentKind document, SiteKind site, const std::wstring& address,
                                  const std::wstring& title);

}  // namespace pagelens::standin

// The stand-in browser object: IWebBrowser2 with its whole vtable. It reports the document it
// was given (or none), its address and title, the top-level window it shows in, and a page
// that is loaded and idle; navigation and everything else answer E_NOTIMPL. The object holds
// a reference to the document; the window belongs to the caller and must outlive the object's
// use.
#pragma once
#include <exdisp.h>

#include <functional>
#include <string>

#include "common/com_ptr.h"

namespace pagelens::standin {

struct BrowserPage {
    ComPtr<IDispatch> document;  // none: the browser shows nothing
    std::wstring locationUrl;
    std::wstring locationName;
};

ComPtr<IWebBrowser2> CreateWebBrowser(HWND frame, BrowserPage page);

// A browser that shows what `navigate` gives for each address it is navigated to (Navigate2
// with a string), silent when told so; after each navigation it answers "loading" and busy to
// the first `loadingPolls` questions about its state, as a page still arriving does.
using Navigator = std::function<BrowserPage(const std::wstring& address)>;
ComPtr<IWebBrowser2> CreateNavigableWebBrowser(HWND frame, Navigator navigate, int loadingPolls);

}  // namespace pagelens::standin

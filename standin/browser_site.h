// The site that the stand-in browser gives the extension: an object whose service provider
// answers the browser application service with the browser. Other kinds of site provoke the
// extension's failure paths: one without a service provider, and one whose QueryService fails
// for every service. The site holds a reference to its browser.
#pragma once
#include <exdisp.h>

#include "common/com_ptr.h"

namespace pagelens::standin {

enum class SiteKind {
    WithBrowser,
    NoServiceProvider,
    FailingQueryService,
};

// What QueryService returns for a site of kind FailingQueryService.
inline constexpr HRESULT kFailedServiceResult = E_FAIL;

ComPtr<IUnknown> CreateBrowserSite(SiteKind kind, ComPtr<IWebBrowser2> browser);

}  // namespace pagelens::standin

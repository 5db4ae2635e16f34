// What a browser capture reads from the browser object, on the caller's thread (the browser
// lives in its thread's apartment): the address of the document it shows, and the size of the
// view it shows it in, which becomes the capture's viewport.
#pragma once
#include <exdisp.h>

#include <optional>
#include <string>

#include "components/snapshot/core/viewport.h"

namespace pagelens::capture {

// LocationURL, or the HTML document's URL when the browser reports none.
std::wstring BrowserAddress(IWebBrowser2* browser);

// The document view's client size in CSS pixels (the document's own window, or the browser
// window's document view, or else the browser window's client area); nothing when the browser
// has no window.
std::optional<Viewport> BrowserViewport(IWebBrowser2* browser);

}  // namespace pagelens::capture

// Reads the live page of a browser capture from the tab's document, on the tab's thread and
// through the document's own interfaces (no script, which a zone may have switched off): its
// markup as it is now, with the doctype that keeps its rendering mode, and the current state
// of its fields in document order. Nothing of the tab is changed: in the old document modes a
// field's attributes are its properties, so the state is only read, and applied in the capture
// browser. A password's characters and hidden inputs' values never leave the tab.
#pragma once
#include <exdisp.h>

#include "common/run_error.h"
#include "components/snapshot/core/live_page.h"

namespace pagelens::capture {

// Fails, saying why, when the document is not an HTML document of this thread or its markup
// cannot be read.
Result<LivePage> ReadLivePage(IWebBrowser2* browser);

// The markup without the value attributes of password and hidden inputs: in the old document
// modes the markup holds what the user typed into a password field.
std::wstring WithoutSecretValues(std::wstring_view markup);

// As many placeholders as `value` has characters: a password field shows one dot per character.
std::wstring MaskedValue(std::wstring_view value);

// "CSS1Compat" gives the HTML5 doctype (standards mode); "BackCompat" or none, no doctype
// (quirks mode).
std::wstring DoctypeFor(const std::wstring& compatMode);

}  // namespace pagelens::capture

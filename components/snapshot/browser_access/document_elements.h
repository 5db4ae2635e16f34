// Every element of a tab's document in document order, through document.all: what the capture
// reads of the page (its fields, its fixed elements) without running script.
#pragma once
#include <mshtml.h>

#include <functional>

#include "common/com_ptr.h"

namespace pagelens::capture {

// Calls `visit` with each element; an item that is not an element is passed over. A document
// whose collection cannot be had has none.
void ForEachElement(IHTMLDocument2* document,
                    const std::function<void(const ComPtr<IHTMLElement>&)>& visit);

}  // namespace pagelens::capture

// The stand-in browser's documents: an HTML document with an address and a title, and a
// document of another kind (what a folder view or a plug-in is in the real browser) that
// offers only IDispatch. Each call makes a new object; the caller holds the one reference.
#pragma once
#include <mshtml.h>

#include <string>

#include "common/com_ptr.h"

namespace pagelens::standin {

// Drawn: the tall page that draws itself (drawn_page.h); the browser makes it, in its frame.
enum class DocumentKind { Html, Plain, None, Drawn };

ComPtr<IHTMLDocument2> CreateHtmlDocument(std::wstring url, std::wstring title);
ComPtr<IDispatch> CreatePlainDocument();
// A document of the kind; none for DocumentKind::None.
ComPtr<IDispatch> CreateDocument(DocumentKind kind, std::wstring url, std::wstring title);

}  // namespace pagelens::standin

// The drawn page's COM objects, each made with the page's shared state (see drawn_page.h).
#pragma once
#include <mshtml.h>

#include <memory>
#include <vector>

#include "common/com_ptr.h"
#include "standin/page_model.h"

namespace pagelens::standin {

ComPtr<IHTMLDocument2> CreatePageDocument(std::shared_ptr<PageModel> model, std::wstring url);
ComPtr<IHTMLWindow2> CreatePageWindow(std::shared_ptr<PageModel> model, IHTMLDocument2* document);
ComPtr<IHTMLElement> CreatePageElement(std::shared_ptr<PageModel> model, size_t index);
ComPtr<IHTMLElement> CreatePageField(std::shared_ptr<PageModel> model, size_t index);
ComPtr<IHTMLElementCollection> CreatePageCollection(std::shared_ptr<PageModel> model);
ComPtr<IHTMLStyle> CreatePageStyle(std::shared_ptr<PageModel> model, size_t index);
ComPtr<IHTMLCurrentStyle> CreatePageCurrentStyle(std::shared_ptr<PageModel> model, size_t index);

}  // namespace pagelens::standin

#include "components/snapshot/browser_access/live_document.h"

#include <mshtml.h>
#include <oleidl.h>

#include <cwctype>

#include "common/com_ptr.h"
#include "common/unique_handle.h"
#include "components/snapshot/browser_access/document_elements.h"
#include "components/snapshot/capture_failure.h"

namespace pagelens::capture {
namespace {

std::wstring Lower(std::wstring text) {
    for (auto& c : text) c = static_cast<wchar_t>(std::towlower(c));
    return text;
}

RunError Unreadable(const wchar_t* why) { return Failed(why); }

// What the field shows now; an element whose interface does not answer keeps an empty tag,
// which no element matches, so that the fields after it keep their places.
FieldState ReadField(IHTMLElement* element, const std::wstring& tag) {
    FieldState field;
    if (tag == L"input") {
        ComPtr<IHTMLInputElement> input;
        if (FAILED(ComPtr<IHTMLElement>(element).As(IID_IHTMLInputElement, input))) return field;
        BSTR type = nullptr, value = nullptr;
        VARIANT_BOOL checked = VARIANT_FALSE;
        const HRESULT typeRead = input->get_type(&type);
        const UniqueBstr typeText(type);
        const HRESULT valueRead = input->get_value(&value);
        const UniqueBstr valueText(value);
        if (FAILED(typeRead) || FAILED(valueRead) || FAILED(input->get_checked(&checked)))
            return field;
        field.type = Lower(BstrText(typeText));
        field.value = BstrText(valueText);
        field.checked = checked != VARIANT_FALSE;
    } else if (tag == L"textarea") {
        ComPtr<IHTMLTextAreaElement> area;
        BSTR value = nullptr;
        if (FAILED(ComPtr<IHTMLElement>(element).As(IID_IHTMLTextAreaElement, area)) ||
            FAILED(area->get_value(&value)))
            return field;
        field.value = TakeBstr(value);
    } else {
        ComPtr<IHTMLOptionElement> option;
        VARIANT_BOOL selected = VARIANT_FALSE;
        if (FAILED(ComPtr<IHTMLElement>(element).As(IID_IHTMLOptionElement, option)) ||
            FAILED(option->get_selected(&selected)))
            return field;
        field.selected = selected != VARIANT_FALSE;
    }
    BSTR id = nullptr;
    if (SUCCEEDED(element->get_id(&id))) field.id = TakeBstr(id);
    field.tag = tag;
    return field;
}

bool IsLiveField(const std::wstring& tag) {
    for (const auto* name : kLiveFieldTags)
        if (tag == name) return true;
    return false;
}

// document.all lists every element in document order, as the capture browser's query does.
std::vector<FieldState> ReadFields(IHTMLDocument2* document) {
    std::vector<FieldState> fields;
    ForEachElement(document, [&](const ComPtr<IHTMLElement>& element) {
        BSTR tagName = nullptr;
        if (FAILED(element->get_tagName(&tagName))) return;
        const std::wstring tag = Lower(TakeBstr(tagName));
        if (IsLiveField(tag)) fields.push_back(ReadField(element.get(), tag));
    });
    return fields;
}

}  // namespace

std::wstring DoctypeFor(const std::wstring& compatMode) {
    return compatMode == L"CSS1Compat" ? L"<!DOCTYPE html>\n" : L"";
}

Result<LivePage> ReadLivePage(IWebBrowser2* browser) {
    ComPtr<IDispatch> dispatch;
    ComPtr<IHTMLDocument2> document;
    if (FAILED(browser->get_Document(dispatch.put())) || !dispatch ||
        FAILED(dispatch.As(IID_IHTMLDocument2, document)))
        return Unreadable(L"the browser shows no HTML document");
    // A proxy of another apartment would be called from the wrong thread.
    ComPtr<IOleWindow> window;
    HWND view = nullptr;
    if (SUCCEEDED(dispatch.As(IID_IOleWindow, window)) && SUCCEEDED(window->GetWindow(&view)) &&
        IsWindow(view) && GetWindowThreadProcessId(view, nullptr) != GetCurrentThreadId())
        return Unreadable(L"the document belongs to another thread");
    ComPtr<IHTMLDocument3> document3;
    ComPtr<IHTMLElement> root;
    if (FAILED(dispatch.As(IID_IHTMLDocument3, document3)))
        return Unreadable(L"the document offers no IHTMLDocument3");
    BSTR outer = nullptr;
    if (FAILED(document3->get_documentElement(root.put())) || !root ||
        FAILED(root->get_outerHTML(&outer)))
        return Unreadable(L"its markup cannot be read");
    LivePage page;
    page.markup = TakeBstr(outer);
    if (page.markup.empty()) return Unreadable(L"its markup is empty");
    ComPtr<IHTMLDocument5> document5;
    BSTR mode = nullptr;
    if (SUCCEEDED(dispatch.As(__uuidof(IHTMLDocument5), document5)) &&
        SUCCEEDED(document5->get_compatMode(&mode)))
        page.markup = DoctypeFor(TakeBstr(mode)) + page.markup;
    page.fields = ReadFields(document.get());
    return page;
}

}  // namespace pagelens::capture

#include "components/snapshot/browser_access/live_document.h"

#include <mshtml.h>
#include <oleidl.h>

#include <algorithm>
#include <cwctype>
#include <vector>

#include "common/com_ptr.h"
#include "common/unique_handle.h"
#include "components/snapshot/browser_access/document_elements.h"
#include "components/snapshot/core/capture_failure.h"

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
        field.value =
            field.type == L"password" ? MaskedValue(BstrText(valueText)) : BstrText(valueText);
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
        if (!IsLiveField(tag)) return;
        FieldState field = ReadField(element.get(), tag);
        if (field.type != L"hidden") fields.push_back(std::move(field));
    });
    return fields;
}

bool IsMarkupSpace(wchar_t c) {
    return c == L' ' || c == L'\t' || c == L'\n' || c == L'\r' || c == L'\f';
}

struct MarkupAttribute {
    size_t start, end;  // the whole attribute, name to value
    std::wstring name;  // lower case
    std::wstring value;
};

// The attributes of the start tag whose name ends at `from`; `end` is set past its ">".
std::vector<MarkupAttribute> TagAttributes(std::wstring_view markup, size_t from, size_t& end) {
    std::vector<MarkupAttribute> attributes;
    size_t at = from;
    for (;;) {
        while (at < markup.size() && (IsMarkupSpace(markup[at]) || markup[at] == L'/')) ++at;
        if (at >= markup.size() || markup[at] == L'>') break;
        MarkupAttribute attribute{at, at, {}, {}};
        while (at < markup.size() && !IsMarkupSpace(markup[at]) && markup[at] != L'>' &&
               markup[at] != L'=' && markup[at] != L'/')
            attribute.name += static_cast<wchar_t>(std::towlower(markup[at++]));
        size_t afterName = at;
        while (afterName < markup.size() && IsMarkupSpace(markup[afterName])) ++afterName;
        if (afterName < markup.size() && markup[afterName] == L'=') {
            at = afterName + 1;
            while (at < markup.size() && IsMarkupSpace(markup[at])) ++at;
            if (at < markup.size() && (markup[at] == L'"' || markup[at] == L'\'')) {
                const wchar_t quote = markup[at++];
                const size_t close = std::min(markup.find(quote, at), markup.size());
                attribute.value = markup.substr(at, close - at);
                at = std::min(close + 1, markup.size());
            } else {
                const size_t valueStart = at;
                while (at < markup.size() && !IsMarkupSpace(markup[at]) && markup[at] != L'>') ++at;
                attribute.value = markup.substr(valueStart, at - valueStart);
            }
        } else if (attribute.name.empty()) {
            ++at;  // a stray character
            continue;
        }
        attribute.end = at;
        attributes.push_back(std::move(attribute));
    }
    end = std::min(at + 1, markup.size());
    return attributes;
}

}  // namespace

std::wstring WithoutSecretValues(std::wstring_view markup) {
    std::wstring out;
    out.reserve(markup.size());
    size_t copied = 0;
    for (size_t at = markup.find(L'<'); at != std::wstring_view::npos;
         at = markup.find(L'<', at + 1)) {
        const size_t nameEnd = at + 6;
        if (nameEnd > markup.size() || _wcsnicmp(markup.data() + at + 1, L"input", 5) != 0 ||
            (nameEnd < markup.size() && !IsMarkupSpace(markup[nameEnd]) &&
             markup[nameEnd] != L'/' && markup[nameEnd] != L'>'))
            continue;
        size_t tagEnd = nameEnd;
        const auto attributes = TagAttributes(markup, nameEnd, tagEnd);
        bool secret = false;
        for (const auto& attribute : attributes)
            if (attribute.name == L"type") {
                const std::wstring type = Lower(attribute.value);
                secret = type == L"password" || type == L"hidden";
                break;  // the first of a name counts
            }
        if (secret)
            for (const auto& attribute : attributes)
                if (attribute.name == L"value") {
                    out.append(markup.substr(copied, attribute.start - copied));
                    copied = attribute.end;
                }
        at = tagEnd - 1;
    }
    out.append(markup.substr(copied));
    return out;
}

std::wstring MaskedValue(std::wstring_view value) {
    size_t characters = 0;
    for (const wchar_t c : value)
        if (c < 0xDC00 || c > 0xDFFF) ++characters;  // a surrogate pair is one character
    return std::wstring(characters, L'\u2022');
}

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
    page.markup = WithoutSecretValues(TakeBstr(outer));
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

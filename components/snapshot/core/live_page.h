// The live page of a browser capture that the tab's own engine could not draw: the markup of
// the tab's document as it is now, and the state the user gave its form fields, in document
// order. It is read on the tab's thread (browser_access/live_document.h) and never written back
// there; the capture browser is served the markup at the page's address (live_page_server.h)
// and then given the fields' states (live_page_state.h). Immutable once read, so that the worker
// may share it.
#pragma once
#include <string>
#include <vector>

namespace pagelens::capture {

struct FieldState {
    std::wstring tag;       // lower case: "input", "textarea" or "option"
    std::wstring type;      // an input's type, lower case
    std::wstring value;     // an input's (but a box's or a button's) or a text area's; a
                            // password's is as many placeholders as it has characters
    bool checked = false;   // a check box or radio button
    bool selected = false;  // an option
    std::wstring id;        // empty when it has none
};

struct LivePage {
    std::wstring markup;  // the doctype and documentElement.outerHTML
    std::vector<FieldState> fields;
};

// The fields whose state is carried over, in the order both engines list them. Hidden inputs
// show nothing, and their values (tokens, often) stay in the tab.
inline constexpr char kLiveFieldSelector[] = "input:not([type=\"hidden\" i]), textarea, option";
inline constexpr wchar_t kLiveFieldTags[][9] = {L"input", L"textarea", L"option"};

}  // namespace pagelens::capture

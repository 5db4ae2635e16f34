// The live page's pieces that need no browser: which DOM edits give a served field the user's
// state, and which paused request is served the markup.
#include <gtest/gtest.h>

#include "components/snapshot/browser_access/live_document.h"
#include "components/snapshot/devtools_capture/live_page_server.h"
#include "components/snapshot/devtools_capture/live_page_state.h"
#include "components/snapshot/transport/base64.h"

namespace pagelens::capture {
namespace {

FieldState Input(const wchar_t* type, const wchar_t* value, bool checked = false,
                 const wchar_t* id = L"") {
    return {L"input", type, value, checked, false, id};
}

TEST(LivePageState, EachFieldGetsOnlyTheEditsItsStateNeeds) {
    using Attributes = std::vector<std::pair<std::string, std::string>>;
    struct Case {
        const char* name;
        DescribedNode node;
        FieldState field;
        std::vector<std::string> edits;  // method and the edit's attribute or markup
    };
    const Case cases[] = {
        {"typed text",
         {"input", {{"value", "old"}}},
         Input(L"text", L"typed"),
         {"DOM.setAttributeValue value=typed"}},
        {"text as served", {"input", {{"value", "same"}}}, Input(L"text", L"same"), {}},
        {"empty and no value", {"input", {}}, Input(L"text", L""), {}},
        {"emptied by the user",
         {"input", {{"type", "Search"}, {"value", "x"}}},
         Input(L"search", L""),
         {"DOM.setAttributeValue value="}},
        {"ticked box",
         {"input", {{"type", "checkbox"}}},
         Input(L"checkbox", L"on", true),
         {"DOM.setAttributeValue checked="}},
        {"unticked box",
         {"input", {{"type", "checkbox"}, {"checked", ""}}},
         Input(L"checkbox", L"on", false),
         {"DOM.removeAttribute checked"}},
        {"chosen radio as served",
         {"input", {{"type", "radio"}, {"checked", ""}}},
         Input(L"radio", L"a", true),
         {}},
        {"a password's placeholders",
         {"input", {{"type", "password"}}},
         Input(L"password", L"\u2022\u2022"),
         {"DOM.setAttributeValue value=\xe2\x80\xa2\xe2\x80\xa2"}},
        {"a password's placeholders for a text box",
         {"input", {}},
         Input(L"password", L"\u2022"),
         {}},
        {"a box's state for a text box", {"input", {}}, Input(L"checkbox", L"on", true), {}},
        {"chosen file", {"input", {}}, Input(L"file", L"C:\\secret.txt"), {}},
        {"chosen option",
         {"option", {}},
         {L"option", L"", L"", false, true},
         {"DOM.setAttributeValue selected="}},
        {"option no longer chosen",
         {"option", {{"selected", ""}}},
         {L"option", L"", L"", false, false},
         {"DOM.removeAttribute selected"}},
        {"text area",
         {"textarea", {{"name", "a\"&b"}}},
         {L"textarea", L"", L"\n<b>&\u00e9"},
         {"DOM.setOuterHTML <textarea "
          "name=\"a&quot;&amp;b\">\n\n&lt;b&gt;&amp;\xc3\xa9</textarea>"}},
        {"another element at its place", {"select", {}}, {L"option", L"", L"", false, true}, {}},
        {"a field that could not be read", {"input", {}}, {}, {}},
        {"its own id",
         {"input", {{"id", "q"}}},
         Input(L"text", L"typed", false, L"q"),
         {"DOM.setAttributeValue value=typed"}},
        {"another field of its kind at its place",
         {"input", {{"id", "r"}}},
         Input(L"text", L"typed", false, L"q"),
         {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> edits;
        for (const auto& edit : EditsForField(7, c.node, c.field)) {
            EXPECT_EQ(edit.params.value("nodeId", 0), 7);
            std::string text = edit.method;
            if (edit.params.contains("outerHTML"))
                text += " " + edit.params.value("outerHTML", "");
            else if (edit.params.contains("value"))
                text += " " + edit.params.value("name", "") + "=" + edit.params.value("value", "");
            else
                text += " " + edit.params.value("name", "");
            edits.push_back(text);
        }
        EXPECT_EQ(edits, c.edits);
    }
    const DescribedNode described = DescribedNodeOf(
        Json::parse(R"({"node":{"localName":"input","attributes":["type","text","value","v"]}})"));
    EXPECT_EQ(described.localName, "input");
    EXPECT_EQ(described.attributes, (Attributes{{"type", "text"}, {"value", "v"}}));
}

// What the tab's markup gives away: no value of a password or hidden input, however the old
// document modes write the tag; a password's placeholders count its characters.
TEST(LivePageSecrets, PasswordAndHiddenValuesStayInTheTab) {
    const struct {
        const wchar_t* markup;
        const wchar_t* served;
    } cases[] = {
        {L"<INPUT type=password value=hunter2 name=pw>", L"<INPUT type=password  name=pw>"},
        {L"<input value='a b' TYPE=\"Password\">", L"<input  TYPE=\"Password\">"},
        {L"<input type=hidden value=\"tok\"/><input value=shown>",
         L"<input type=hidden /><input value=shown>"},
        {L"<input value=x type=text><inputs type=password value=y>",
         L"<input value=x type=text><inputs type=password value=y>"},
        {L"<p title='<input type=password value=z>'>", L"<p title='<input type=password >'>"},
        {L"<input type=password value=\"unterminated", L"<input type=password "},
    };
    for (const auto& c : cases) EXPECT_EQ(WithoutSecretValues(c.markup), c.served) << c.markup;
    EXPECT_EQ(MaskedValue(L"h\U0001F511 2"), L"\u2022\u2022\u2022\u2022");
    EXPECT_EQ(MaskedValue(L""), L"");
}

TEST(LiveDocumentServer, OnlyTheMainFramesRequestForItsAddressIsServedFromMemory) {
    LiveDocumentServer server(L"<html>\u00e9</html>");
    auto document = [](const char* id, const char* frame, const char* url) {
        return Json{{"requestId", id},
                    {"resourceType", "Document"},
                    {"frameId", frame},
                    {"request", {{"url", url}}}};
    };
    struct Case {
        const char* name;
        Json paused;
        const char* answer;
    };
    const Case cases[] = {
        {"a style sheet first",
         {{"requestId", "1"}, {"resourceType", "Stylesheet"}},
         "Fetch.continueRequest"},
        {"a frame's document at the page's address", document("2", "inner", "http://a.test/page"),
         "Fetch.continueRequest"},
        {"the main frame elsewhere", document("3", "main", "http://b.test/page"),
         "Fetch.continueRequest"},
        {"the page", document("4", "main", "HTTP://A.test:80/page#top"), "Fetch.fulfillRequest"},
        {"a frame's document", document("5", "inner", "http://a.test/page"),
         "Fetch.continueRequest"},
        {"the page's refresh", document("6", "main", "http://a.test/page"), "Fetch.failRequest"},
        {"the page's image",
         {{"requestId", "5"}, {"resourceType", "Image"}, {"frameId", "main"}},
         "Fetch.continueRequest"},
    };
    server.Expect("main", "http://a.test/page");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto [method, params] = server.Answer(c.paused);
        EXPECT_STREQ(method, c.answer);
        EXPECT_EQ(params.value("requestId", ""), c.paused.value("requestId", ""));
        if (std::string(method) != "Fetch.fulfillRequest") continue;
        EXPECT_EQ(params.value("responseCode", 0), 200);
        EXPECT_EQ(Base64Decode(params.value("body", "")), "<html>\xc3\xa9</html>");
        EXPECT_EQ(params["responseHeaders"][0].value("value", ""), "text/html; charset=utf-8");
    }
    EXPECT_TRUE(server.served());
}

}  // namespace
}  // namespace pagelens::capture

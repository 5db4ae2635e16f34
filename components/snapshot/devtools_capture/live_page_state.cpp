#include "components/snapshot/devtools_capture/live_page_state.h"

#include <algorithm>
#include <cctype>
#include <optional>

#include "common/text_codepage.h"
#include "components/snapshot/core/capture_failure.h"

namespace pagelens::capture {
namespace {

std::optional<std::string> AttributeOf(const DescribedNode& node, const std::string& name) {
    for (const auto& [attribute, value] : node.attributes)
        if (attribute == name) return value;
    return std::nullopt;
}

std::string Escaped(const std::string& text, bool inAttribute) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        if (c == '&')
            out += "&amp;";
        else if (c == '<' && !inAttribute)
            out += "&lt;";
        else if (c == '>' && !inAttribute)
            out += "&gt;";
        else if (c == '"' && inAttribute)
            out += "&quot;";
        else
            out += c;
    }
    return out;
}

DomEdit SetAttribute(int64_t nodeId, const char* name, const std::string& value) {
    return {"DOM.setAttributeValue", {{"nodeId", nodeId}, {"name", name}, {"value", value}}};
}

DomEdit RemoveAttribute(int64_t nodeId, const char* name) {
    return {"DOM.removeAttribute", {{"nodeId", nodeId}, {"name", name}}};
}

// A boolean attribute present exactly when `on`.
void ToggleAttribute(std::vector<DomEdit>& edits, int64_t nodeId, const DescribedNode& node,
                     const char* name, bool on) {
    const bool present = AttributeOf(node, name).has_value();
    if (on && !present) edits.push_back(SetAttribute(nodeId, name, ""));
    if (!on && present) edits.push_back(RemoveAttribute(nodeId, name));
}

// A text area's text is its content: the element is written anew with its attributes. The
// parser drops one line break right after the start tag, so a text that starts with one gets
// another.
DomEdit RewriteTextArea(int64_t nodeId, const DescribedNode& node, const std::string& text) {
    std::string html = "<textarea";
    for (const auto& [name, value] : node.attributes)
        html += " " + name + "=\"" + Escaped(value, true) + "\"";
    html += ">";
    if (text.starts_with('\n') || text.starts_with("\r\n")) html += "\n";
    html += Escaped(text, false) + "</textarea>";
    return {"DOM.setOuterHTML", {{"nodeId", nodeId}, {"outerHTML", html}}};
}

// Only the DOM's refusal of one edit is passed over; a stop, the time limit or a broken
// connection end the capture.
Status Tolerated(Status status) {
    if (status.ok() || status.error().number == kFailed) return {};
    return status;
}

Result<std::vector<int64_t>> Select(DevToolsConnection& connection, const std::string& sessionId,
                                    const Interrupts& interrupts, int64_t root,
                                    const char* selector) {
    auto found = connection.Call("DOM.querySelectorAll", {{"nodeId", root}, {"selector", selector}},
                                 sessionId, interrupts);
    if (!found.ok()) return found.error();
    std::vector<int64_t> ids;
    if (const auto nodes = found->find("nodeIds"); nodes != found->end() && nodes->is_array())
        for (const auto& id : *nodes)
            if (id.is_number_integer()) ids.push_back(id.get<int64_t>());
    return ids;
}

// Commands sent at once and answered in order.
template <typename Each>
Status Pipelined(DevToolsConnection& connection, const std::string& sessionId,
                 const Interrupts& interrupts, const std::vector<DomEdit>& commands, Each each) {
    std::vector<int64_t> started;
    for (const auto& command : commands) {
        auto id = connection.Start(command.method, command.params, sessionId, interrupts);
        if (!id.ok()) return id.error();
        started.push_back(*id);
    }
    for (size_t i = 0; i < started.size(); ++i) {
        auto answer = connection.Finish(started[i], interrupts);
        if (!answer.ok()) {
            PAGELENS_RETURN_IF_ERROR(Tolerated(answer.error()));
            continue;
        }
        each(i, *answer);
    }
    return {};
}

}  // namespace

DescribedNode DescribedNodeOf(const Json& described) {
    DescribedNode node;
    const auto found = described.find("node");
    if (found == described.end() || !found->is_object()) return node;
    node.localName = found->value("localName", "");
    if (const auto attributes = found->find("attributes");
        attributes != found->end() && attributes->is_array())
        for (size_t i = 0; i + 1 < attributes->size(); i += 2)
            if ((*attributes)[i].is_string() && (*attributes)[i + 1].is_string())
                node.attributes.emplace_back((*attributes)[i].get<std::string>(),
                                             (*attributes)[i + 1].get<std::string>());
    return node;
}

// An input's type as its attribute gives it; none or an empty one is a text box.
std::string InputTypeOf(const DescribedNode& node) {
    std::string type = AttributeOf(node, "type").value_or("");
    for (auto& c : type) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return type.empty() ? "text" : type;
}

bool IsFieldsNode(const DescribedNode& node, const FieldState& field) {
    return !field.tag.empty() && node.localName == ToUtf8(field.tag) &&
           (field.tag != L"input" || InputTypeOf(node) == ToUtf8(field.type)) &&
           (field.id.empty() || AttributeOf(node, "id") == ToUtf8(field.id));
}

std::vector<DomEdit> EditsForField(int64_t nodeId, const DescribedNode& node,
                                   const FieldState& field) {
    std::vector<DomEdit> edits;
    if (!IsFieldsNode(node, field)) return edits;
    if (field.tag == L"option") {
        ToggleAttribute(edits, nodeId, node, "selected", field.selected);
    } else if (field.tag == L"textarea") {
        edits.push_back(RewriteTextArea(nodeId, node, ToUtf8(field.value)));
    } else if (field.type == L"checkbox" || field.type == L"radio") {
        ToggleAttribute(edits, nodeId, node, "checked", field.checked);
    } else if (field.type != L"file") {  // a chosen file's name cannot be given to a page
        const std::string value = ToUtf8(field.value);
        const auto served = AttributeOf(node, "value");
        if (served ? *served != value : !value.empty())
            edits.push_back(SetAttribute(nodeId, "value", value));
    }
    return edits;
}

Result<size_t> ApplyLiveState(DevToolsConnection& connection, const std::string& sessionId,
                              const Interrupts& interrupts, const std::vector<FieldState>& fields) {
    size_t unmatched = fields.size();
    auto document = connection.Call("DOM.getDocument", {{"depth", 0}}, sessionId, interrupts);
    if (!document.ok()) {
        PAGELENS_RETURN_IF_ERROR(Tolerated(document.error()));
        return unmatched;
    }
    const int64_t root = document->value("/root/nodeId"_json_pointer, int64_t{0});
    if (root == 0) return unmatched;

    auto hidden = Select(connection, sessionId, interrupts, root, "noscript");
    if (!hidden.ok()) {
        PAGELENS_RETURN_IF_ERROR(Tolerated(hidden.error()));
        return unmatched;
    }
    std::vector<DomEdit> removals;
    for (const int64_t id : *hidden) removals.push_back({"DOM.removeNode", {{"nodeId", id}}});
    PAGELENS_RETURN_IF_ERROR(
        Pipelined(connection, sessionId, interrupts, removals, [](size_t, const Json&) {}));

    auto ids = Select(connection, sessionId, interrupts, root, kLiveFieldSelector);
    if (!ids.ok()) {
        PAGELENS_RETURN_IF_ERROR(Tolerated(ids.error()));
        return unmatched;
    }
    const size_t count = std::min(ids->size(), fields.size());
    std::vector<DomEdit> describes;
    for (size_t i = 0; i < count; ++i)
        describes.push_back({"DOM.describeNode", {{"nodeId", (*ids)[i]}}});
    std::vector<DomEdit> edits;
    PAGELENS_RETURN_IF_ERROR(Pipelined(
        connection, sessionId, interrupts, describes, [&](size_t i, const Json& described) {
            const DescribedNode node = DescribedNodeOf(described);
            if (IsFieldsNode(node, fields[i])) --unmatched;
            for (auto& edit : EditsForField((*ids)[i], node, fields[i]))
                edits.push_back(std::move(edit));
        }));
    PAGELENS_RETURN_IF_ERROR(
        Pipelined(connection, sessionId, interrupts, edits, [](size_t, const Json&) {}));
    return unmatched;
}

}  // namespace pagelens::capture

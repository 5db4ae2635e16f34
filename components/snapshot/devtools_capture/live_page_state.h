// Gives the served live page in the capture browser the state the user gave the fields in the
// tab, through the DevTools DOM domain (the page's scripts are off): a field's value, checked or
// selected attribute, and a text area's text, which a freshly parsed field shows as its own.
// The fields are matched by their place in document order; one whose tag, input type or id
// differs is left alone, so that a password's placeholders never land in another kind of field.
// <noscript> content goes too: the tab ran the page's scripts, and showed none of it.
#pragma once
#include <string>
#include <utility>
#include <vector>

#include "common/run_error.h"
#include "components/snapshot/core/interrupts.h"
#include "components/snapshot/core/live_page.h"
#include "components/snapshot/transport/devtools_connection.h"

namespace pagelens::capture {

struct DescribedNode {
    std::string localName;
    std::vector<std::pair<std::string, std::string>> attributes;
};

// From the answer of DOM.describeNode.
DescribedNode DescribedNodeOf(const Json& described);

struct DomEdit {
    const char* method;
    Json params;
};

// Whether the node stands for the field: the same tag, an input of the same type, and the same
// id where the field has one.
bool IsFieldsNode(const DescribedNode& node, const FieldState& field);

// The DOM commands that give node `nodeId`, described as `node`, the state `field`; none when
// the node already shows it or is another kind of element.
std::vector<DomEdit> EditsForField(int64_t nodeId, const DescribedNode& node,
                                   const FieldState& field);

// How many of the fields found no node of theirs, and kept what the markup gives them.
Result<size_t> ApplyLiveState(DevToolsConnection& connection, const std::string& sessionId,
                              const Interrupts& interrupts, const std::vector<FieldState>& fields);

}  // namespace pagelens::capture

#include "components/snapshot/devtools_capture/dialog_answer.h"

#include <string>

namespace pagelens::capture {

// A type this side does not know (a later protocol's) is dismissed: dismissing never commits
// the page to anything.
nlohmann::json DialogAnswer(const nlohmann::json& opening) {
    const std::string type = opening.is_object() ? opening.value("type", "") : "";
    const bool accept = type == "alert" || type == "beforeunload";
    return {{"accept", accept}};
}

}  // namespace pagelens::capture

// How a capture answers the JavaScript dialogs that a captured page opens: nobody sees the
// capture browser, so a dialog left open would hold the page (and the capture) until the time
// limit. Each is answered at once, the way a user who wants the page to go on would: an alert
// and a "leave this page?" question are accepted, a question and a prompt are dismissed, so the
// page takes its cautious branch and is not sent on by a "yes" nobody gave.
#pragma once
#include <nlohmann/json.hpp>

namespace pagelens::capture {

// The parameters of Page.handleJavaScriptDialog for a Page.javascriptDialogOpening event.
nlohmann::json DialogAnswer(const nlohmann::json& opening);

}  // namespace pagelens::capture

#include "components/snapshot/devtools_capture/live_page_server.h"

#include "common/text_codepage.h"
#include "components/snapshot/transport/base64.h"

namespace pagelens::capture {

LiveDocumentServer::LiveDocumentServer(std::wstring_view markup)
    : body_(Base64Encode(ToUtf8(markup))) {}

Json LiveDocumentServer::EnableParams() {
    return {{"patterns", Json::array({{{"urlPattern", "*"},
                                       {"resourceType", "Document"},
                                       {"requestStage", "Request"}}})}};
}

void LiveDocumentServer::Expect(std::string mainFrameId, const std::string& url) {
    mainFrameId_ = std::move(mainFrameId);
    url_ = ComparableUrl(url);
}

std::pair<const char*, Json> LiveDocumentServer::Answer(const Json& paused) {
    const std::string requestId = paused.value("requestId", "");
    const bool mainFrame = !mainFrameId_.empty() && paused.value("frameId", "") == mainFrameId_;
    // A paused response (never asked for here) has a status; only requests are served.
    const bool document = paused.value("resourceType", "") == "Document" &&
                          !paused.contains("responseStatusCode") &&
                          !paused.contains("responseErrorReason");
    // An aborted navigation leaves the frame's document as it is, with no error page.
    if (document && served_ && mainFrame)
        return {"Fetch.failRequest", {{"requestId", requestId}, {"errorReason", "Aborted"}}};
    const auto request = paused.find("request");
    const bool ownAddress = request != paused.end() && request->is_object() &&
                            ComparableUrl(request->value("url", "")) == url_;
    if (!document || served_ || !mainFrame || !ownAddress)
        return {"Fetch.continueRequest", {{"requestId", requestId}}};
    served_ = true;
    // The charset of the header wins over any the markup declares: the text is UTF-8 now.
    return {"Fetch.fulfillRequest",
            {{"requestId", requestId},
             {"responseCode", 200},
             {"responseHeaders",
              Json::array({{{"name", "Content-Type"}, {"value", "text/html; charset=utf-8"}},
                           {{"name", "Cache-Control"}, {"value", "no-store"}}})},
             {"body", body_}}};
}

}  // namespace pagelens::capture

#include "components/snapshot/devtools_connection.h"

#include "common/text_codepage.h"
#include "components/snapshot/capture_failure.h"

namespace pagelens::capture {
namespace {

std::wstring Wide(std::string_view utf8) { return FromUtf8(utf8); }

}  // namespace

DevToolsConnection::DevToolsConnection(std::unique_ptr<WebSocketClient> socket)
    : socket_(std::move(socket)) {}

Status DevToolsConnection::Send(std::string_view method, Json params, const std::string& sessionId,
                                const Interrupts& interrupts) {
    Json command = {{"id", nextId_++}, {"method", method}, {"params", std::move(params)}};
    if (!sessionId.empty()) command["sessionId"] = sessionId;
    return socket_->SendText(command.dump(), interrupts);
}

Result<Json> DevToolsConnection::Call(std::string_view method, Json params,
                                      const std::string& sessionId, const Interrupts& interrupts) {
    awaitedId_ = nextId_;
    awaitedAnswer_.reset();
    PAGELENS_RETURN_IF_ERROR(Send(method, std::move(params), sessionId, interrupts));
    PAGELENS_RETURN_IF_ERROR(ReadUntil([this] { return awaitedAnswer_.has_value(); }, interrupts));
    Json answer = std::move(*awaitedAnswer_);
    awaitedAnswer_.reset();
    if (const auto error = answer.find("error"); error != answer.end()) {
        const std::string message = error->value("message", std::string("unknown error"));
        return Failed(L"The capture browser refused " + Wide(method) + L": " + Wide(message));
    }
    if (const auto result = answer.find("result"); result != answer.end())
        return std::move(*result);
    return Json::object();
}

Status DevToolsConnection::ReadUntil(const std::function<bool()>& done,
                                     const Interrupts& interrupts) {
    while (!done()) PAGELENS_RETURN_IF_ERROR(ReadOne(interrupts));
    return {};
}

Status DevToolsConnection::ReadUntilClosed(const Interrupts& interrupts) {
    while (!socket_->closed()) {
        auto message = socket_->Receive(interrupts);
        if (!message.ok() && !socket_->closed()) return message.error();
    }
    return {};
}

Status DevToolsConnection::ReadOne(const Interrupts& interrupts) {
    auto text = socket_->Receive(interrupts);
    if (!text.ok()) return text.error();
    Json message = Json::parse(text.value(), nullptr, /*allow_exceptions=*/false);
    text.value() = std::string();  // screenshots are large: do not hold two copies
    if (!message.is_object()) return Failed(L"The capture browser sent a message that is not JSON");

    if (const auto id = message.find("id"); id != message.end()) {
        if (id->is_number_integer() && id->get<int64_t>() == awaitedId_)
            awaitedAnswer_ = std::move(message);
        return {};
    }
    const auto method = message.find("method");
    if (method == message.end() || !method->is_string() || !listener_) return {};
    static const Json kNoParams = Json::object();
    const auto params = message.find("params");
    listener_(method->get_ref<const std::string&>(), params != message.end() ? *params : kNoParams);
    return {};
}

}  // namespace pagelens::capture

#include "components/snapshot/transport/devtools_connection.h"

#include <cstdint>
#include <utility>

#include "common/text_codepage.h"
#include "components/snapshot/core/capture_failure.h"

namespace pagelens::capture {
namespace {

std::wstring Wide(std::string_view utf8) { return FromUtf8(utf8); }

// Stops the parser at the first member of the outermost object, having kept its value if that
// member is an integer "id".
class LeadingIdReader final : public nlohmann::json_sax<Json> {
public:
    std::optional<int64_t> id;

    bool start_object(std::size_t) override { return ++depth_ == 1; }
    bool key(string_t& name) override {
        idNext_ = name == "id";
        return idNext_;
    }
    bool number_integer(number_integer_t value) override { return Keep(value); }
    bool number_unsigned(number_unsigned_t value) override {
        return value <= number_unsigned_t(INT64_MAX) && Keep(static_cast<int64_t>(value));
    }
    bool null() override { return false; }
    bool boolean(bool) override { return false; }
    bool number_float(number_float_t, const string_t&) override { return false; }
    bool string(string_t&) override { return false; }
    bool binary(binary_t&) override { return false; }
    bool end_object() override { return false; }
    bool start_array(std::size_t) override { return false; }
    bool end_array() override { return false; }
    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) override {
        return false;
    }

private:
    bool Keep(int64_t value) {
        if (idNext_) id = value;
        return false;  // nothing after the id is needed
    }
    int depth_ = 0;
    bool idNext_ = false;
};

}  // namespace

std::optional<int64_t> LeadingAnswerId(std::string_view message) {
    LeadingIdReader reader;
    Json::sax_parse(message, &reader);
    return reader.id;
}

DevToolsConnection::DevToolsConnection(std::unique_ptr<MessageTransport> socket)
    : socket_(std::move(socket)) {}

Status DevToolsConnection::Send(std::string_view method, Json params, const std::string& sessionId,
                                const Interrupts& interrupts) {
    Json command = {{"id", nextId_++}, {"method", method}, {"params", std::move(params)}};
    if (!sessionId.empty()) command["sessionId"] = sessionId;
    return socket_->SendText(command.dump(), interrupts);
}

Status DevToolsConnection::SendThen(std::string_view method, Json params,
                                    const std::string& sessionId, const Interrupts& interrupts,
                                    AnswerHandler then) {
    const int64_t id = nextId_;
    Status sent = Send(method, std::move(params), sessionId, interrupts);
    if (sent.ok()) handlers_[id] = std::move(then);
    return sent;
}

Result<int64_t> DevToolsConnection::Start(std::string_view method, Json params,
                                          const std::string& sessionId,
                                          const Interrupts& interrupts) {
    const int64_t id = nextId_;
    pending_[id] = Pending{std::string(method), std::nullopt};
    Status sent = Send(method, std::move(params), sessionId, interrupts);
    if (!sent.ok()) {
        pending_.erase(id);
        return sent.error();
    }
    return id;
}

Status DevToolsConnection::AwaitArrival(int64_t id, const Interrupts& interrupts) {
    const auto found = pending_.find(id);
    if (found == pending_.end()) return Failed(L"No such DevTools command is waiting");
    Pending& pending = found->second;
    while (!pending.answer && !pending.arrived) {
        auto text = socket_->Receive(interrupts);
        Status read = text.ok() ? Status() : Status(text.error());
        if (read.ok() && LeadingAnswerId(*text) == id)
            pending.arrived = std::move(text).value();
        else if (read.ok())
            read = Dispatch(std::move(text).value());
        if (!read.ok()) {
            pending_.erase(found);
            return read;
        }
    }
    return {};
}

Result<Json> DevToolsConnection::Finish(int64_t id, const Interrupts& interrupts) {
    const auto found = pending_.find(id);
    if (found == pending_.end()) return Failed(L"No such DevTools command is waiting");
    Pending& pending = found->second;
    Status read =
        pending.arrived ? Dispatch(*std::exchange(pending.arrived, std::nullopt)) : Status();
    if (read.ok()) read = ReadUntil([&] { return pending.answer.has_value(); }, interrupts);
    if (!read.ok()) {
        pending_.erase(found);
        return read.error();
    }
    Json answer = std::move(*pending.answer);
    const std::string method = std::move(pending.method);
    pending_.erase(found);
    if (const auto error = answer.find("error"); error != answer.end()) {
        const std::string message = error->is_object()
                                        ? error->value("message", std::string("unknown error"))
                                        : std::string("unknown error");
        return Failed(L"The capture browser refused " + Wide(method) + L": " + Wide(message));
    }
    if (const auto result = answer.find("result"); result != answer.end())
        return std::move(*result);
    return Json::object();
}

Result<std::string> DevToolsConnection::FinishString(int64_t id, std::string_view name,
                                                     const Interrupts& interrupts) {
    if (const auto found = pending_.find(id); found != pending_.end() && found->second.arrived) {
        std::string& text = *found->second.arrived;
        const std::string prefix =
            "{\"id\":" + std::to_string(id) + ",\"result\":{\"" + std::string(name) + "\":\"";
        const size_t end = text.find('"', prefix.size());
        if (text.starts_with(prefix) && end != std::string::npos &&
            text.find('\\', prefix.size()) > end && text.compare(end, 2, "\"}") == 0) {
            // The value is cut out of the message's own buffer: a band's megabytes are not
            // copied into fresh memory.
            std::string value = std::move(text);
            value.erase(end);
            value.erase(0, prefix.size());
            pending_.erase(found);
            return value;
        }
    }
    auto answer = Finish(id, interrupts);
    if (!answer.ok()) return answer.error();
    Json result = std::move(answer).value();
    const auto member = result.find(name);
    if (member == result.end() || !member->is_string()) return std::string();
    return std::move(member->get_ref<std::string&>());
}

Result<Json> DevToolsConnection::Call(std::string_view method, Json params,
                                      const std::string& sessionId, const Interrupts& interrupts) {
    auto id = Start(method, std::move(params), sessionId, interrupts);
    if (!id.ok()) return id.error();
    return Finish(*id, interrupts);
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
    return Dispatch(std::move(text).value());
}

Status DevToolsConnection::Dispatch(std::string text) {
    Json message = Json::parse(text, nullptr, /*allow_exceptions=*/false);
    text = std::string();  // screenshots are large: do not hold two copies
    if (!message.is_object()) return Failed(L"The capture browser sent a message that is not JSON");

    if (const auto id = message.find("id"); id != message.end()) {
        if (!id->is_number_integer()) return {};
        if (const auto pending = pending_.find(id->get<int64_t>()); pending != pending_.end())
            pending->second.answer = std::move(message);
        else if (const auto handler = handlers_.find(id->get<int64_t>());
                 handler != handlers_.end()) {
            const AnswerHandler then = std::move(handler->second);
            handlers_.erase(handler);
            if (then) then(message);
        }
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

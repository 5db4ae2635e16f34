// The DevTools protocol over one WebSocket or pipe pair: numbered commands and their answers,
// and the events that arrive in between. Commands for a page carry the session id that
// attaching to its target gave; events go to one listener as they are read. The connection owns
// its transport.
#pragma once
#include <functional>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>

#include "common/run_error.h"
#include "components/snapshot/core/interrupts.h"
#include "components/snapshot/transport/message_transport.h"

namespace pagelens::capture {

using Json = nlohmann::json;

// The id of an answer, read from the message's first member and no further: the browser puts
// the id first. Nothing for an event, or a message that does not start so.
std::optional<int64_t> LeadingAnswerId(std::string_view message);

class DevToolsConnection {
public:
    using EventListener = std::function<void(std::string_view method, const Json& params)>;

    explicit DevToolsConnection(std::unique_ptr<MessageTransport> socket);

    void SetEventListener(EventListener listener) { listener_ = std::move(listener); }

    // Sends a command and reads until its answer: the answer's result, or its error as a
    // failure. An empty session id addresses the browser itself.
    Result<Json> Call(std::string_view method, Json params, const std::string& sessionId,
                      const Interrupts& interrupts);
    // The two halves of Call, so that the browser works on the next command while this side
    // handles the last answer: Start sends and gives the command's id, Finish reads until
    // that command's answer. Commands are answered in order.
    Result<int64_t> Start(std::string_view method, Json params, const std::string& sessionId,
                          const Interrupts& interrupts);
    Result<Json> Finish(int64_t id, const Interrupts& interrupts);
    // Reads until the answer to command `id` has arrived, without parsing it yet: a screenshot's
    // answer is megabytes of JSON, and the next command can go out first. Finish then parses.
    Status AwaitArrival(int64_t id, const Interrupts& interrupts);
    // Finish for an answer whose result is one large string member `name` (a screenshot's
    // data): taken from the text as it came, without building a JSON document of megabytes;
    // an answer of another form goes through the parser.
    Result<std::string> FinishString(int64_t id, std::string_view name,
                                     const Interrupts& interrupts);
    // Sends a command whose answer nobody awaits.
    Status Send(std::string_view method, Json params, const std::string& sessionId,
                const Interrupts& interrupts);
    // Sends a command whose answer (the whole message) goes to `then` when it is read, whatever
    // is awaited meanwhile.
    using AnswerHandler = std::function<void(const Json& answer)>;
    Status SendThen(std::string_view method, Json params, const std::string& sessionId,
                    const Interrupts& interrupts, AnswerHandler then);
    // Drops the handlers of answers still to come, whose owner goes, and the commands started
    // and never finished: a connection that serves another capture afterwards would otherwise
    // keep their answers (a screenshot's megabytes) for good.
    void ForgetAnswerHandlers() {
        handlers_.clear();
        pending_.clear();
    }
    // Reads messages (events go to the listener) until `done` answers true.
    Status ReadUntil(const std::function<bool()>& done, const Interrupts& interrupts);
    // Reads and drops messages until the browser closes the connection.
    Status ReadUntilClosed(const Interrupts& interrupts);

    MessageTransport& transport() { return *socket_; }

private:
    // Reads one message; an event goes to the listener, an answer is returned by id.
    Status ReadOne(const Interrupts& interrupts);
    Status Dispatch(std::string text);

    struct Pending {
        std::string method;
        std::optional<Json> answer;
        std::optional<std::string> arrived;  // the answer's text, not parsed yet
    };

    std::unique_ptr<MessageTransport> socket_;
    EventListener listener_;
    int64_t nextId_ = 1;
    std::map<int64_t, Pending> pending_;  // started and not yet finished
    std::map<int64_t, AnswerHandler> handlers_;
};

}  // namespace pagelens::capture

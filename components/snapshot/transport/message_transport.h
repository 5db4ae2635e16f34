// What the DevTools connection needs of the channel to the capture browser: whole text
// messages out and in, each wait observing the caller's Interrupts. A WebSocket to the
// browser's port (under Wine, where a host browser gets no handles of ours) or the pair of
// pipes that a Windows browser inherits.
#pragma once
#include <string>
#include <string_view>

#include "common/run_error.h"
#include "components/snapshot/core/interrupts.h"

namespace pagelens::capture {

class MessageTransport {
public:
    virtual ~MessageTransport() = default;
    virtual Status SendText(std::string_view text, const Interrupts& interrupts) = 0;
    // The next message; once the browser has closed its end, every receive fails with closed()
    // true.
    virtual Result<std::string> Receive(const Interrupts& interrupts) = 0;
    virtual bool closed() const = 0;
};

}  // namespace pagelens::capture

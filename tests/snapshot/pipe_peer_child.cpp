// A child for the pipe transport's test: it plays the browser's side of
// --remote-debugging-pipe with what it inherited as C runtime descriptors 3 (commands in) and 4
// (answers out). Each NUL-terminated command is answered with its id, the descriptor numbers it
// came through, and whether --remote-debugging-io-pipes named the same two handles;
// "Browser.close" ends the child, which closes its ends. Built for both widths of Windows.
#include <io.h>
#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

std::string IdOf(const std::string& message) {
    const size_t at = message.find("\"id\":");
    if (at == std::string::npos) return "0";
    size_t end = at + 5;
    while (end < message.size() && message[end] >= '0' && message[end] <= '9') ++end;
    return message.substr(at + 5, end - at - 5);
}

bool WriteAll(HANDLE out, const std::string& text) {
    DWORD written = 0;
    return WriteFile(out, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
           written == text.size();
}

// "same" when the switch names the handles of descriptors 3 and 4, as Chromium reads it.
std::string SwitchNames(HANDLE in, HANDLE out) {
    const std::string line = GetCommandLineA();
    const std::string name = "--remote-debugging-io-pipes=";
    const size_t at = line.find(name);
    if (at == std::string::npos) return "absent";
    char* end = nullptr;
    const unsigned long read = std::strtoul(line.c_str() + at + name.size(), &end, 10);
    if (*end != ',') return "malformed";
    const unsigned long write = std::strtoul(end + 1, &end, 10);
    const auto value = [](HANDLE h) {
        return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(h));
    };
    return read == value(in) && write == value(out) ? "same" : "differs";
}

}  // namespace

int main() {
    const HANDLE in = reinterpret_cast<HANDLE>(_get_osfhandle(3));
    const HANDLE out = reinterpret_cast<HANDLE>(_get_osfhandle(4));
    if (in == INVALID_HANDLE_VALUE || out == INVALID_HANDLE_VALUE) return 3;
    // Descriptor 0 must not be one of the pipes: the standard handles are not ours to take.
    if (reinterpret_cast<HANDLE>(_get_osfhandle(0)) == in) return 4;
    std::string pending;
    char buffer[4096];
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(in, buffer, sizeof buffer, &read, nullptr) || read == 0) return 5;
        pending.append(buffer, read);
        for (size_t end; (end = pending.find('\0')) != std::string::npos;) {
            const std::string message = pending.substr(0, end);
            pending.erase(0, end + 1);
            const std::string answer = "{\"id\":" + IdOf(message) +
                                       ",\"result\":{\"through\":\"fd3 fd4\",\"switch\":\"" +
                                       SwitchNames(in, out) + "\"}}";
            if (!WriteAll(out, answer + '\0')) return 6;
            if (message.find("\"Browser.close\"") != std::string::npos) return 0;
        }
    }
}

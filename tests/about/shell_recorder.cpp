#include "tests/about/shell_recorder.h"

namespace pagelens::test {
namespace {

std::vector<ShellCall> gCalls;
INT_PTR gReply = 42;

std::optional<std::string> Copy(LPCSTR text) {
    if (!text) return std::nullopt;
    return std::string(text);
}

HINSTANCE WINAPI RecordShellExecute(HWND owner, LPCSTR verb, LPCSTR file, LPCSTR parameters,
                                    LPCSTR folder, INT show) {
    gCalls.push_back({owner, Copy(verb), Copy(file), Copy(parameters), Copy(folder), show});
    return reinterpret_cast<HINSTANCE>(gReply);
}

}  // namespace

ShellRecorder::ShellRecorder(INT_PTR reply) : previous_(SetShellExecuteProc(&RecordShellExecute)) {
    gCalls.clear();
    gReply = reply;
}

ShellRecorder::~ShellRecorder() { SetShellExecuteProc(previous_); }

const std::vector<ShellCall>& ShellRecorder::calls() const { return gCalls; }

void ShellRecorder::SetReply(INT_PTR reply) { gReply = reply; }

}  // namespace pagelens::test

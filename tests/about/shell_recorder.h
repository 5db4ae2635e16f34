// Stands in for ShellExecuteA while a test runs: records every call and answers with a chosen
// result. The real shell call is back in place when the recorder goes.
#pragma once
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "about/shell_open.h"

namespace pagelens::test {

struct ShellCall {
    HWND owner;
    std::optional<std::string> verb, file, parameters, folder;
    int show;
};

class ShellRecorder {
public:
    explicit ShellRecorder(INT_PTR reply = 42);
    ~ShellRecorder();
    ShellRecorder(const ShellRecorder&) = delete;
    ShellRecorder& operator=(const ShellRecorder&) = delete;

    const std::vector<ShellCall>& calls() const;
    void SetReply(INT_PTR reply);

private:
    ShellExecuteProc previous_;
};

}  // namespace pagelens::test

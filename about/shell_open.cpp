#include "about/shell_open.h"

#include <shellapi.h>

#include <string>

#include "common/text_codepage.h"

namespace pagelens {
namespace {

ShellExecuteProc gShellExecute = &ShellExecuteA;

std::optional<std::string> OptionalAnsi(std::optional<std::wstring_view> text) {
    if (!text) return std::nullopt;
    return ToAnsi(*text);
}

const char* PointerOrNull(const std::optional<std::string>& text) {
    return text ? text->c_str() : nullptr;
}

}  // namespace

bool ShellOpen(std::wstring_view target, std::wstring_view verb,
               std::optional<std::wstring_view> parameters, std::optional<std::wstring_view> folder,
               int32_t show) {
    const std::string ansiTarget = ToAnsi(target);
    const std::string ansiVerb = ToAnsi(verb);
    const auto ansiParameters = OptionalAnsi(parameters);
    const auto ansiFolder = OptionalAnsi(folder);
    HINSTANCE result =
        gShellExecute(nullptr, ansiVerb.c_str(), ansiTarget.c_str(), PointerOrNull(ansiParameters),
                      PointerOrNull(ansiFolder), show);
    return reinterpret_cast<INT_PTR>(result) >= 33;
}

ShellExecuteProc SetShellExecuteProc(ShellExecuteProc proc) {
    ShellExecuteProc previous = gShellExecute;
    gShellExecute = proc ? proc : &ShellExecuteA;
    return previous;
}

}  // namespace pagelens

// ShellOpen: opens a document, program or address through the shell's narrow ShellExecuteA.
// The shell call can be replaced for tests; the real ShellExecuteA is used otherwise.
#pragma once
#include <windows.h>

#include <cstdint>
#include <optional>
#include <string_view>

namespace pagelens {

// True when the shell's result is 33 or more (its success range). An absent parameters or
// folder string reaches the shell as a null pointer; every string goes in the ANSI code page.
bool ShellOpen(std::wstring_view target, std::wstring_view verb,
               std::optional<std::wstring_view> parameters, std::optional<std::wstring_view> folder,
               int32_t show);

using ShellExecuteProc = HINSTANCE(WINAPI*)(HWND, LPCSTR, LPCSTR, LPCSTR, LPCSTR, INT);

// Puts `proc` in place of the shell call and returns the one it replaced; nullptr restores
// ShellExecuteA.
ShellExecuteProc SetShellExecuteProc(ShellExecuteProc proc);

}  // namespace pagelens

// Registration of the program's window classes, with this library's own module handle.
#pragma once
#include <windows.h>

#include "common/run_error.h"

namespace pagelens {

struct WindowClassSpec {
    const wchar_t* name = nullptr;
    WNDPROC procedure = nullptr;
    const wchar_t* cursor = IDC_ARROW;  // a system cursor, or null for none
    HBRUSH background = nullptr;
    UINT style = 0;
};

// Registers the class once per load of the library. A class of the name that an earlier load
// left at another address (its procedure is not this one) is replaced.
Status RegisterWindowClass(const WindowClassSpec& spec);

// A message-only window of a registered class, with `owner` in its GWLP_USERDATA for the
// procedure to find; null (and GetLastError set) when it cannot be made.
HWND CreateMessageWindow(const wchar_t* className, void* owner);

}  // namespace pagelens

// A label drawn as a link: blue, underlined, with the hand pointer. A click, or Space while it
// has the focus, sends WM_COMMAND (STN_CLICKED) to the parent. The control owns the underlined
// copy of the font that it is given through WM_SETFONT.
#pragma once
#include <windows.h>

#include "common/run_error.h"

namespace pagelens {

// Registers the link label window class with this module, once per process.
Status RegisterLinkLabelClass();

// Narrows (or widens) the control to the width of its text, so that only the text is a link.
void FitLinkLabelToText(HWND link);

}  // namespace pagelens

// frmAbout: the product's About window with its version, the maker's links and the legal
// notices. The snapshot window's About button shows it modally over itself.
#pragma once
#include <windows.h>

#include "common/run_error.h"

namespace pagelens {

// Shows the About window modally, owned by `owner` (which is disabled meanwhile), and returns
// when it has closed: by OK, Enter, Escape, the close box, or being destroyed from outside. If
// this thread already shows one, that one is brought to the front instead. Fails only when the
// window cannot be created.
Status ShowAboutWindow(HWND owner);

}  // namespace pagelens

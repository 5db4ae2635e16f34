// The one routine behind every way the user opens the snapshot window: the toolbar button or menu
// entry (Exec) and the keyboard shortcut. Nothing of the window knows which way it was opened.
#pragma once
#include <exdisp.h>

namespace pagelens {

// Opens this thread's snapshot window modally over the browser's page; returns when it has
// closed. A failure is shown in a message box. Never throws.
void RunSnapshotCommand(IWebBrowser2* browser) noexcept;

}  // namespace pagelens

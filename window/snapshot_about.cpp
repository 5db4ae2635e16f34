// The snapshot window's About button.
#include "about/about_window.h"
#include "window/snapshot_window.h"

namespace pagelens {

void frmMain::cmdAbout_Click() {
    if (Status shown = ShowAboutWindow(hwnd_); !shown.ok()) ReportError(shown.error());
}

}  // namespace pagelens

// What the snapshot window shares on one browser thread. It outlives one showing of the
// window; every showing loads it again from the settings.
#pragma once
#include <exdisp.h>

#include "window/snapshot_settings.h"

namespace pagelens {

struct SnapshotState {
    SnapshotSettings settings;
    bool ready = false;  // false while the load sequence runs
};

SnapshotState& ThreadSnapshotState();

// gBrowser: the browser that the extension object leaves for the window on this thread.
void SetThreadBrowser(IWebBrowser2* browser);
IWebBrowser2* ThreadBrowser();

}  // namespace pagelens

// What the snapshot window's handlers share beyond one handler: the settings, loaded again by
// every showing, and whether the load sequence has finished.
#pragma once
#include "window/snapshot_settings.h"

namespace pagelens {

struct SnapshotState {
    SnapshotSettings settings;
    bool ready = false;  // false while the load sequence runs
};

}  // namespace pagelens

// What the snapshot window's parts share on one browser thread. It outlives one showing of the
// window; every showing loads it again from the settings.
#pragma once
#include <exdisp.h>

#include <cstdint>
#include <string>

namespace pagelens {

struct SnapshotState {
    std::wstring address;
    std::wstring imageType;
    int32_t jpegQuality = 85;
    int32_t presetWidth = 120;
    int32_t presetHeight = 90;
    bool ready = false;
};

inline constexpr int32_t kDefaultPresetWidth = 120;
inline constexpr int32_t kDefaultPresetHeight = 90;

SnapshotState& ThreadSnapshotState();

// gBrowser: the browser that the extension object leaves for the window on this thread.
void SetThreadBrowser(IWebBrowser2* browser);
IWebBrowser2* ThreadBrowser();

}  // namespace pagelens

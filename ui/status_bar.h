// sbStatusBar: the platform's status bar docked along the bottom edge, with two text panels.
// Panel 1 takes operation and status messages, panel 2 the capture progress.
#pragma once
#include <windows.h>

#include <string>

namespace pagelens {

class StatusBar {
public:
    bool Create(HWND parent, int id);
    HWND hwnd() const { return hwnd_; }
    // panel is 1-based.
    void SetPanelText(int panel, const std::wstring& text);
    std::wstring PanelText(int panel) const;
    // Keeps the bar docked and its panels sized after the parent changed size.
    void Dock();
    int HeightPixels() const;
    // The whole bar's height, borders included (the platform's default is the font's).
    void SetHeightPixels(int height);

private:
    HWND hwnd_ = nullptr;
};

}  // namespace pagelens

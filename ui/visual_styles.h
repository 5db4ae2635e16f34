// Gives the windows this module creates the platform's visual styles: while a scope lives, the
// activation context of the module's manifest resource is active, so the common controls it
// creates are the themed ones. Without such a manifest (a test program) it does nothing.
#pragma once
#include <windows.h>

namespace pagelens {

class VisualStylesScope {
public:
    VisualStylesScope();
    ~VisualStylesScope();
    VisualStylesScope(const VisualStylesScope&) = delete;
    VisualStylesScope& operator=(const VisualStylesScope&) = delete;

private:
    ULONG_PTR cookie_ = 0;
    bool active_ = false;
};

}  // namespace pagelens

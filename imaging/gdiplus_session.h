// Keeps GDI+ started while it lives. One owner per user of GDI+, outliving every GDI+ object it
// makes; sessions nest (GDI+ counts startups), so a component and its host may each hold one.
#pragma once
#include <windows.h>

#include <cstdint>

namespace pagelens {

class GdiplusSession {
public:
    GdiplusSession();
    ~GdiplusSession();
    GdiplusSession(const GdiplusSession&) = delete;
    GdiplusSession& operator=(const GdiplusSession&) = delete;
    bool ok() const { return token_ != 0; }

private:
    ULONG_PTR token_ = 0;
};

}  // namespace pagelens

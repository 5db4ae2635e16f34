// Starting and stopping GDI+ for one owner; see gdiplus_session.h.
#include "imaging/gdiplus_session.h"

// <gdiplus.h> needs the COM types of <objidl.h> first.
// clang-format off
#include <objidl.h>
#include <gdiplus.h>
// clang-format on

namespace pagelens {

GdiplusSession::GdiplusSession() {
    Gdiplus::GdiplusStartupInput input;
    if (Gdiplus::GdiplusStartup(&token_, &input, nullptr) != Gdiplus::Ok) token_ = 0;
}

GdiplusSession::~GdiplusSession() {
    if (token_) Gdiplus::GdiplusShutdown(token_);
}

}  // namespace pagelens

// Starting and stopping GDI+ for one owner; see gdiplus_session.h.
#include "components/viewer/gdiplus_session.h"

#include <objidl.h>
#include <gdiplus.h>

namespace pagelens {

GdiplusSession::GdiplusSession() {
    Gdiplus::GdiplusStartupInput input;
    if (Gdiplus::GdiplusStartup(&token_, &input, nullptr) != Gdiplus::Ok) token_ = 0;
}

GdiplusSession::~GdiplusSession() {
    if (token_) Gdiplus::GdiplusShutdown(token_);
}

}  // namespace pagelens

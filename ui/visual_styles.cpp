#include "ui/visual_styles.h"

#include "common/module.h"
#include "ui/resource_ids.h"

namespace pagelens {
namespace {

// One context for the life of the process: it is created from our own module's resource.
HANDLE ModuleActivationContext() {
    static HANDLE context = [] {
        ACTCTXW actctx{sizeof actctx};
        actctx.dwFlags = ACTCTX_FLAG_HMODULE_VALID | ACTCTX_FLAG_RESOURCE_NAME_VALID;
        actctx.hModule = ThisModule();
        actctx.lpResourceName = MAKEINTRESOURCEW(IDR_VISUAL_STYLES_MANIFEST);
        return CreateActCtxW(&actctx);
    }();
    return context;
}

}  // namespace

VisualStylesScope::VisualStylesScope() {
    HANDLE context = ModuleActivationContext();
    if (context != INVALID_HANDLE_VALUE) active_ = ActivateActCtx(context, &cookie_) != FALSE;
}

VisualStylesScope::~VisualStylesScope() {
    if (active_) DeactivateActCtx(0, cookie_);
}

}  // namespace pagelens

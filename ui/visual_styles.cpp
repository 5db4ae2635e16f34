#include "ui/visual_styles.h"

#include "common/module.h"
#include "ui/resource_ids.h"

namespace pagelens {
namespace {

// The context made from our own module's resource, released when the library is unloaded (a
// tab loads and unloads us many times in one process).
class ModuleContext {
public:
    ModuleContext() {
        ACTCTXW actctx{sizeof actctx};
        actctx.dwFlags = ACTCTX_FLAG_HMODULE_VALID | ACTCTX_FLAG_RESOURCE_NAME_VALID;
        actctx.hModule = ThisModule();
        actctx.lpResourceName = MAKEINTRESOURCEW(IDR_VISUAL_STYLES_MANIFEST);
        handle_ = CreateActCtxW(&actctx);
    }
    ~ModuleContext() {
        if (handle_ != INVALID_HANDLE_VALUE) ReleaseActCtx(handle_);
    }
    ModuleContext(const ModuleContext&) = delete;
    ModuleContext& operator=(const ModuleContext&) = delete;
    HANDLE get() const { return handle_; }

private:
    HANDLE handle_;
};

HANDLE ModuleActivationContext() {
    static ModuleContext context;
    return context.get();
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

#include "window/snapshot_state.h"

#include "common/com_ptr.h"

namespace pagelens {
namespace {

struct ThreadData {
    SnapshotState state;
    ComPtr<IWebBrowser2> browser;
};

// Made on first use and deliberately never destroyed: at thread exit COM may already be gone,
// and releasing the browser then could call into an unloaded apartment.
ThreadData& Data() {
    thread_local ThreadData* data = new ThreadData();
    return *data;
}

}  // namespace

SnapshotState& ThreadSnapshotState() { return Data().state; }

void SetThreadBrowser(IWebBrowser2* browser) { Data().browser = browser; }

IWebBrowser2* ThreadBrowser() { return Data().browser.get(); }

}  // namespace pagelens

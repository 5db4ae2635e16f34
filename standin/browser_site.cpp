// The stand-in's site object (see the header).
#include "standin/browser_site.h"

#include <servprov.h>

#include "standin/com_object.h"

namespace pagelens::standin {
namespace {

// The browser application service has the identifier of IWebBrowserApp.
const GUID& kBrowserService = IID_IWebBrowserApp;

class BrowserSite final : public ComObject<BrowserSite, IServiceProvider> {
public:
    BrowserSite(SiteKind kind, ComPtr<IWebBrowser2> browser)
        : kind_(kind), browser_(std::move(browser)) {}

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        bool offersServices = kind_ != SiteKind::NoServiceProvider;
        if (riid == IID_IUnknown || (riid == IID_IServiceProvider && offersServices)) {
            return Answer(ppv);
        }
        return E_NOINTERFACE;
    }

    // IServiceProvider
    HRESULT STDMETHODCALLTYPE QueryService(REFGUID service, REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (kind_ == SiteKind::FailingQueryService) return kFailedServiceResult;
        if (service != kBrowserService || !browser_) return E_NOINTERFACE;
        return browser_->QueryInterface(riid, ppv);
    }

private:
    friend class ComObject<BrowserSite, IServiceProvider>;
    ~BrowserSite() = default;

    const SiteKind kind_;
    const ComPtr<IWebBrowser2> browser_;
};

}  // namespace

ComPtr<IUnknown> CreateBrowserSite(SiteKind kind, ComPtr<IWebBrowser2> browser) {
    return ComPtr<IUnknown>::Attach(
        static_cast<IServiceProvider*>(new BrowserSite(kind, std::move(browser))));
}

}  // namespace pagelens::standin

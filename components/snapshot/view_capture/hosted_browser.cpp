#include "components/snapshot/view_capture/hosted_browser.h"

#include <exdispid.h>

#include <atomic>
#include <utility>

#include "common/module.h"
#include "common/unique_handle.h"
#include "common/window_class.h"

namespace pagelens::capture {
namespace {

constexpr wchar_t kHostClass[] = L"PagelensHostedBrowser";
// Off every screen: the page is drawn through IViewObject, never shown.
constexpr int kOffScreen = -32000;

BrowserControlFactory& ControlFactory() {
    static BrowserControlFactory factory;
    return factory;
}

HRESULT CreateSystemControl(IOleObject** control) {
    return CoCreateInstance(CLSID_WebBrowser, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject,
                            reinterpret_cast<void**>(control));
}

}  // namespace

BrowserControlOverride::BrowserControlOverride(BrowserControlFactory factory)
    : previous_(std::exchange(ControlFactory(), std::move(factory))) {}

BrowserControlOverride::~BrowserControlOverride() { ControlFactory() = std::move(previous_); }

// The container's side of the control: a client site that lets it activate in place in our
// hidden window, with no frame, menus, borders or keyboard of its own.
class ControlSite final : public IOleClientSite, public IOleInPlaceSite, public IOleInPlaceFrame {
public:
    explicit ControlSite(HWND window) : window_(window) {}

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** result) override {
        if (!result) return E_POINTER;
        if (iid == IID_IUnknown || iid == IID_IOleClientSite)
            *result = static_cast<IOleClientSite*>(this);
        else if (iid == IID_IOleWindow || iid == IID_IOleInPlaceSite)
            *result = static_cast<IOleInPlaceSite*>(this);
        else if (iid == IID_IOleInPlaceUIWindow || iid == IID_IOleInPlaceFrame)
            *result = static_cast<IOleInPlaceFrame*>(this);
        else {
            *result = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --references_;
        if (left == 0) delete this;
        return left;
    }

    // IOleClientSite
    HRESULT STDMETHODCALLTYPE SaveObject() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker** moniker) override {
        if (moniker) *moniker = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetContainer(IOleContainer** container) override {
        if (container) *container = nullptr;
        return E_NOINTERFACE;
    }
    HRESULT STDMETHODCALLTYPE ShowObject() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnShowWindow(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE RequestNewObjectLayout() override { return E_NOTIMPL; }

    // IOleWindow, for both the site and the frame
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override {
        if (!window) return E_POINTER;
        *window = window_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

    // IOleInPlaceSite
    HRESULT STDMETHODCALLTYPE CanInPlaceActivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnInPlaceActivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnUIActivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetWindowContext(IOleInPlaceFrame** frame,
                                               IOleInPlaceUIWindow** document, LPRECT position,
                                               LPRECT clip, LPOLEINPLACEFRAMEINFO info) override {
        if (!frame || !document || !position || !clip || !info) return E_POINTER;
        *frame = static_cast<IOleInPlaceFrame*>(this);
        AddRef();
        *document = nullptr;
        GetClientRect(window_, position);
        *clip = *position;
        info->fMDIApp = FALSE;
        info->hwndFrame = window_;
        info->haccel = nullptr;
        info->cAccelEntries = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Scroll(SIZE) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnUIDeactivate(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnInPlaceDeactivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE DiscardUndoState() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DeactivateAndUndo() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnPosRectChange(LPCRECT) override { return S_OK; }

    // IOleInPlaceUIWindow and IOleInPlaceFrame: no tools, menus or accelerators of ours.
    HRESULT STDMETHODCALLTYPE GetBorder(LPRECT) override { return INPLACE_E_NOTOOLSPACE; }
    HRESULT STDMETHODCALLTYPE RequestBorderSpace(LPCBORDERWIDTHS) override {
        return INPLACE_E_NOTOOLSPACE;
    }
    HRESULT STDMETHODCALLTYPE SetBorderSpace(LPCBORDERWIDTHS) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR) override {
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE RemoveMenus(HMENU) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetStatusText(LPCOLESTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE EnableModeless(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }

private:
    ~ControlSite() = default;

    HWND window_;
    std::atomic<ULONG> references_{1};
};

HostedBrowser::HostedBrowser() = default;

Result<std::unique_ptr<HostedBrowser>> HostedBrowser::Create(SIZE view) {
    PAGELENS_RETURN_IF_ERROR(
        RegisterWindowClass({.name = kHostClass, .procedure = &DefWindowProcW, .cursor = nullptr}));
    std::unique_ptr<HostedBrowser> hosted(new HostedBrowser());
    RECT frame{0, 0, view.cx, view.cy};
    AdjustWindowRectEx(&frame, WS_POPUP, FALSE, WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE);
    hosted->window_.reset(CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, kHostClass, L"",
                                          WS_POPUP | WS_CLIPCHILDREN, kOffScreen, kOffScreen,
                                          frame.right - frame.left, frame.bottom - frame.top,
                                          nullptr, nullptr, ThisModule(), nullptr));
    if (!hosted->window_)
        return errors::FromHresult(HRESULT_FROM_WIN32(GetLastError()),
                                   L"the browser control's window cannot be made");
    // Shown, though off the screens: a hidden window's page may not be laid out at all.
    ShowWindow(hosted->window_.get(), SW_SHOWNOACTIVATE);

    const BrowserControlFactory& factory = ControlFactory();
    HRESULT hr =
        factory ? factory(hosted->control_.put()) : CreateSystemControl(hosted->control_.put());
    if (FAILED(hr) || !hosted->control_)
        return errors::FromHresult(hr, L"Internet Explorer's browser control cannot be made");
    hosted->site_ = ComPtr<ControlSite>::Attach(new ControlSite(hosted->window_.get()));
    hr = hosted->control_->SetClientSite(hosted->site_.get());
    if (FAILED(hr)) return errors::FromHresult(hr, L"the browser control refused its site");
    RECT position{0, 0, view.cx, view.cy};
    hr = hosted->control_->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, hosted->site_.get(), 0,
                                  hosted->window_.get(), &position);
    if (FAILED(hr)) return errors::FromHresult(hr, L"the browser control cannot be activated");
    hr = hosted->control_.As(IID_IWebBrowser2, hosted->browser_);
    if (FAILED(hr)) return errors::FromHresult(hr, L"the browser control has no IWebBrowser2");
    // Nobody sees this browser: it must not wait on a dialog (script errors, alerts, logins).
    hosted->browser_->put_Silent(VARIANT_TRUE);
    return hosted;
}

HostedBrowser::~HostedBrowser() {
    if (browser_) browser_->Stop();
    browser_.reset();
    if (control_) {
        control_->Close(OLECLOSE_NOSAVE);
        control_->SetClientSite(nullptr);
    }
    control_.reset();
    site_.reset();
}

Status HostedBrowser::Navigate(const std::wstring& address) {
    const UniqueBstr text = MakeBstr(address);
    if (!text) return errors::OutOfMemory();
    VARIANT url;
    VariantInit(&url);
    V_VT(&url) = VT_BSTR;
    V_BSTR(&url) = text.get();  // still ours: the call only reads it
    VARIANT empty;
    VariantInit(&empty);
    const HRESULT hr = browser_->Navigate2(&url, &empty, &empty, &empty, &empty);
    if (FAILED(hr)) return errors::FromHresult(hr, L"the browser control cannot open " + address);
    return {};
}

bool HostedBrowser::Loaded() const {
    READYSTATE state = READYSTATE_UNINITIALIZED;
    VARIANT_BOOL busy = VARIANT_TRUE;
    if (FAILED(browser_->get_ReadyState(&state)) || FAILED(browser_->get_Busy(&busy))) return false;
    return state == READYSTATE_COMPLETE && busy == VARIANT_FALSE;
}

bool HostedBrowser::ShowsItsErrorPage() const {
    UniqueBstr location;
    if (FAILED(browser_->get_LocationURL(location.put()))) return false;
    return BstrText(location).rfind(L"res://", 0) == 0;
}

}  // namespace pagelens::capture

#include "components/snapshot/view_capture/hosted_browser.h"

#include <exdispid.h>
#include <mshtmdid.h>
#include <ocidl.h>

#include <atomic>
#include <cwctype>
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

// What a capture lets the page do: images, videos and sounds, and scripts where the settings
// want them; never download or run ActiveX controls, Java applets or behaviours, nor show a
// dialog of its own.
LONG DownloadControlFor(bool scripts) {
    LONG flags = DLCTL_DLIMAGES | DLCTL_VIDEOS | DLCTL_BGSOUNDS | DLCTL_NO_JAVA |
                 DLCTL_NO_RUNACTIVEXCTLS | DLCTL_NO_DLACTIVEXCTLS | DLCTL_NO_BEHAVIORS |
                 DLCTL_SILENT;
    if (!scripts) flags |= DLCTL_NO_SCRIPTS;
    return flags;
}

// The argument `index` of an event as Invoke has it (rgvarg holds them last to first).
VARIANT* EventArgument(DISPPARAMS* params, UINT count, UINT index) {
    if (!params || params->cArgs != count) return nullptr;
    return &params->rgvarg[count - 1 - index];
}

void CancelBy(VARIANT* cancel) {
    if (cancel && V_VT(cancel) == (VT_BYREF | VT_BOOL) && V_BOOLREF(cancel))
        *V_BOOLREF(cancel) = VARIANT_TRUE;
}

std::wstring TextOf(const VARIANT* value) {
    if (!value) return {};
    if (V_VT(value) == (VT_BYREF | VT_VARIANT) && V_VARIANTREF(value)) value = V_VARIANTREF(value);
    if (V_VT(value) != VT_BSTR || !V_BSTR(value)) return {};
    return std::wstring(V_BSTR(value), SysStringLen(V_BSTR(value)));
}

}  // namespace

bool IsSchemeOfOwnControl(const std::wstring& url) {
    const size_t colon = url.find(L':');
    if (colon == std::wstring::npos) return false;
    std::wstring scheme = url.substr(0, colon);
    for (auto& c : scheme) c = static_cast<wchar_t>(std::towlower(c));
    // res: is Internet Explorer's own, for its error pages.
    return scheme == L"http" || scheme == L"https" || scheme == L"file" || scheme == L"about" ||
           scheme == L"res";
}

// An IDispatch that the control only invokes by number: no type information, no names.
class InvokedDispatch : public IDispatch {
public:
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (!count) return E_POINTER;
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return E_NOTIMPL;
    }
};

// The control's events: no new window, no file download and no navigation to an external
// protocol's handler; the page stays where it is and nobody is asked anything.
class BrowserEventSink final : public InvokedDispatch {
public:
    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** result) override {
        if (!result) return E_POINTER;
        if (iid == IID_IUnknown || iid == IID_IDispatch || iid == DIID_DWebBrowserEvents2) {
            *result = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        *result = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --references_;
        if (left == 0) delete this;
        return left;
    }

    // IDispatch
    HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID, LCID, WORD, DISPPARAMS* params,
                                     VARIANT*, EXCEPINFO*, UINT*) override {
        switch (member) {
            case DISPID_NEWWINDOW2:  // (window, cancel)
                CancelBy(EventArgument(params, 2, 1));
                break;
            case DISPID_NEWWINDOW3:  // (window, cancel, flags, context, url)
                CancelBy(EventArgument(params, 5, 1));
                break;
            case DISPID_FILEDOWNLOAD: {  // (activeDocument, cancel)
                // A document the control shows itself fires it too; only a file to save counts.
                const VARIANT* activeDocument = EventArgument(params, 2, 0);
                if (activeDocument && V_VT(activeDocument) == VT_BOOL &&
                    V_BOOL(activeDocument) != VARIANT_FALSE)
                    break;
                CancelBy(EventArgument(params, 2, 1));
                break;
            }
            case DISPID_BEFORENAVIGATE2:  // (window, url, flags, frame, post data, headers, cancel)
                if (!IsSchemeOfOwnControl(TextOf(EventArgument(params, 7, 1))))
                    CancelBy(EventArgument(params, 7, 6));
                break;
            default:
                break;
        }
        return S_OK;
    }

private:
    ~BrowserEventSink() = default;
    std::atomic<ULONG> references_{1};
};

BrowserControlOverride::BrowserControlOverride(BrowserControlFactory factory)
    : previous_(std::exchange(ControlFactory(), std::move(factory))) {}

BrowserControlOverride::~BrowserControlOverride() { ControlFactory() = std::move(previous_); }

// The container's side of the control: a client site that lets it activate in place in our
// hidden window, with no frame, menus, borders or keyboard of its own.
class ControlSite final : public IOleClientSite,
                          public IOleInPlaceSite,
                          public IOleInPlaceFrame,
                          public InvokedDispatch {
public:
    ControlSite(HWND window, LONG downloadControl)
        : window_(window), downloadControl_(downloadControl) {}

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** result) override {
        if (!result) return E_POINTER;
        if (iid == IID_IUnknown || iid == IID_IOleClientSite)
            *result = static_cast<IOleClientSite*>(this);
        else if (iid == IID_IOleWindow || iid == IID_IOleInPlaceSite)
            *result = static_cast<IOleInPlaceSite*>(this);
        else if (iid == IID_IOleInPlaceUIWindow || iid == IID_IOleInPlaceFrame)
            *result = static_cast<IOleInPlaceFrame*>(this);
        else if (iid == IID_IDispatch)
            *result = static_cast<IDispatch*>(this);
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

    // IDispatch: the ambient properties, of which the control asks its download restrictions
    HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID, LCID, WORD flags, DISPPARAMS*,
                                     VARIANT* result, EXCEPINFO*, UINT*) override {
        if (member != DISPID_AMBIENT_DLCONTROL || !(flags & DISPATCH_PROPERTYGET))
            return DISP_E_MEMBERNOTFOUND;
        if (!result) return E_POINTER;
        VariantInit(result);
        V_VT(result) = VT_I4;
        V_I4(result) = downloadControl_;
        return S_OK;
    }

private:
    ~ControlSite() = default;

    HWND window_;
    const LONG downloadControl_;
    std::atomic<ULONG> references_{1};
};

HostedBrowser::HostedBrowser() = default;

Result<std::unique_ptr<HostedBrowser>> HostedBrowser::Create(SIZE view, bool scripts) {
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
    // The site answers the control's ambient properties from the start: the restrictions hold
    // for the first document too.
    hosted->site_ = ComPtr<ControlSite>::Attach(
        new ControlSite(hosted->window_.get(), DownloadControlFor(scripts)));
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
    hr = hosted->WatchEvents();
    if (FAILED(hr))
        return errors::FromHresult(hr, L"the browser control's events cannot be watched");
    return hosted;
}

HRESULT HostedBrowser::WatchEvents() {
    ComPtr<IConnectionPointContainer> container;
    HRESULT hr = control_.As(IID_IConnectionPointContainer, container);
    if (FAILED(hr)) return hr;
    hr = container->FindConnectionPoint(DIID_DWebBrowserEvents2, events_.put());
    if (FAILED(hr)) return hr;
    const auto sink = ComPtr<IDispatch>::Attach(new BrowserEventSink());
    hr = events_->Advise(sink.get(), &eventsCookie_);
    if (FAILED(hr)) events_.reset();
    return hr;
}

HostedBrowser::~HostedBrowser() {
    if (events_) events_->Unadvise(eventsCookie_);
    events_.reset();
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

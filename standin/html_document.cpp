// The HTML document of the stand-in browser: IHTMLDocument2 with its whole vtable, of which
// only the address and the title are real; everything else answers E_NOTIMPL.
#include <mshtmdid.h>

#include "standin/com_object.h"
#include "standin/dispatch_properties.h"
#include "standin/documents.h"

namespace pagelens::standin {
namespace {

constexpr NamedDispid kDocumentProperties[] = {
    {L"URL", DISPID_IHTMLDOCUMENT2_URL},
    {L"title", DISPID_IHTMLDOCUMENT2_TITLE},
};

class HtmlDocument final : public DispatchObject<HtmlDocument, IHTMLDocument2> {
public:
    HtmlDocument(std::wstring url, std::wstring title)
        : url_(std::move(url)), title_(std::move(title)) {}

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (riid == IID_IUnknown || riid == IID_IDispatch || riid == __uuidof(IHTMLDocument) ||
            riid == __uuidof(IHTMLDocument2)) {
            return Answer(ppv);
        }
        return E_NOINTERFACE;
    }

    // IDispatch
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                            DISPID* ids) override {
        return IdsOfNames(kDocumentProperties, names, count, ids);
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO*, UINT*) override {
        if (id != DISPID_IHTMLDOCUMENT2_URL && id != DISPID_IHTMLDOCUMENT2_TITLE)
            return DISP_E_MEMBERNOTFOUND;
        if (HRESULT hr = CheckPropertyGet(flags, params, result); FAILED(hr)) return hr;
        return StringResult(id == DISPID_IHTMLDOCUMENT2_URL ? url_ : title_, result);
    }

    // IHTMLDocument
    HRESULT STDMETHODCALLTYPE get_Script(IDispatch** p) override { return E_NOTIMPL; }

    // IHTMLDocument2: the address and the title
    HRESULT STDMETHODCALLTYPE get_URL(BSTR* p) override { return CopyToBstr(url_, p); }
    HRESULT STDMETHODCALLTYPE get_title(BSTR* p) override { return CopyToBstr(title_, p); }

    // IHTMLDocument2: what the stand-in does not do
    HRESULT STDMETHODCALLTYPE get_all(IHTMLElementCollection** p) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_body(IHTMLElement** p) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_activeElement(IHTMLElement** p) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_images(IHTMLElementCollection** p) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_applets(IHTMLElementCollection** p) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_links(IHTMLElementCollection** p) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_forms(IHTMLElementCollection** p) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_anchors(IHTMLElementCollection** p) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_title(BSTR v) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_scripts(IHTMLElementCollection** p) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_designMode(BSTR v) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_designMode(BSTR* p) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_selection(IHTMLSelectionObject** p) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_readyState(BSTR* p) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_frames(IHTMLFramesCollection2** p) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_embeds(IHTMLElementCollection** p) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_plugins(IHTMLElementCollection** p) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_alinkColor(VARIANT v) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_alinkColor(VARIANT* p) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_bgColor(VARIANT v) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_bgColor(VARIANT* p) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_fgColor(VARIANT v) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_fgColor(VARIANT* p) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_linkColor(VARIANT v) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_linkColor(VARIANT* p) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_vlinkColor(VARIANT v) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_vlinkColor(VARIANT* p) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_referrer(BSTR* p) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_location(IHTMLLocation** p) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_lastModified(BSTR* p) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_URL(BSTR v) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_domain(BSTR v) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_domain(BSTR* p) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_cookie(BSTR v) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_cookie(BSTR* p) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_expando(VARIANT_BOOL v) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_expando(VARIANT_BOOL* p) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_charset(BSTR v) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_charset(BSTR* p) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_defaultCharset(BSTR v) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_defaultCharset(BSTR* p) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_mimeType(BSTR* p) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_fileSize(BSTR* p) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_fileCreatedDate(BSTR* p) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_fileModifiedDate(BSTR* p) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_fileUpdatedDate(BSTR* p) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_security(BSTR* p) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_protocol(BSTR* p) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_nameProp(BSTR* p) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE write(SAFEARRAY* psarray) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE writeln(SAFEARRAY* psarray) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE open(BSTR url, VARIANT name, VARIANT features, VARIANT replace,
                                   IDispatch** pomWindowResult) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE close() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE clear() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE queryCommandSupported(BSTR cmdID, VARIANT_BOOL* pfRet) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE queryCommandEnabled(BSTR cmdID, VARIANT_BOOL* pfRet) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE queryCommandState(BSTR cmdID, VARIANT_BOOL* pfRet) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE queryCommandIndeterm(BSTR cmdID, VARIANT_BOOL* pfRet) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE queryCommandText(BSTR cmdID, BSTR* pcmdText) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE queryCommandValue(BSTR cmdID, VARIANT* pcmdValue) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE execCommand(BSTR cmdID, VARIANT_BOOL showUI, VARIANT value,
                                          VARIANT_BOOL* pfRet) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE execCommandShowHelp(BSTR cmdID, VARIANT_BOOL* pfRet) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE createElement(BSTR eTag, IHTMLElement** newElem) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE put_onhelp(VARIANT v) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_onhelp(VARIANT* p) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_onclick(VARIANT v) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_onclick(VARIANT* p) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_ondblclick(VARIANT v) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_ondblclick(VARIANT* p) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_onkeyup(VARIANT v) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_onkeyup(VARIANT* p) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_onkeydown(VARIANT v) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_onkeydown(VARIANT* p) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_onkeypress(VARIANT v) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_onkeypress(VARIANT* p) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_onmouseup(VARIANT v) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_onmouseup(VARIANT* p) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_onmousedown(VARIANT v) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_onmousedown(VARIANT* p) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_onmousemove(VARIANT v) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_onmousemove(VARIANT* p) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_onmouseout(VARIANT v) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_onmouseout(VARIANT* p) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_onmouseover(VARIANT v) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_onmouseover(VARIANT* p) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_onreadystatechange(VARIANT v) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_onreadystatechange(VARIANT* p) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_onafterupdate(VARIANT v) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_onafterupdate(VARIANT* p) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_onrowexit(VARIANT v) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_onrowexit(VARIANT* p) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_onrowenter(VARIANT v) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_onrowenter(VARIANT* p) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_ondragstart(VARIANT v) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_ondragstart(VARIANT* p) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_onselectstart(VARIANT v) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_onselectstart(VARIANT* p) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE elementFromPoint(LONG x, LONG y, IHTMLElement** elementHit) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE get_parentWindow(IHTMLWindow2** p) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_styleSheets(IHTMLStyleSheetsCollection** p) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE put_onbeforeupdate(VARIANT v) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_onbeforeupdate(VARIANT* p) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_onerrorupdate(VARIANT v) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_onerrorupdate(VARIANT* p) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE toString(BSTR* String) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE createStyleSheet(BSTR bstrHref, LONG lIndex,
                                               IHTMLStyleSheet** ppnewStyleSheet) override {
        return E_NOTIMPL;
    }

private:
    friend class ComObject<HtmlDocument, IHTMLDocument2>;
    ~HtmlDocument() = default;

    const std::wstring url_;
    const std::wstring title_;
};

}  // namespace

ComPtr<IHTMLDocument2> CreateHtmlDocument(std::wstring url, std::wstring title) {
    return ComPtr<IHTMLDocument2>::Attach(new HtmlDocument(std::move(url), std::move(title)));
}

}  // namespace pagelens::standin

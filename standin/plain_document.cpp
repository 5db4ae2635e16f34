// A document that is not an HTML document, as the real browser shows for a file folder or a
// plug-in: it is an automation object and nothing more.

#include "standin/com_object.h"
#include "standin/documents.h"

namespace pagelens::standin {
namespace {

class PlainDocument final : public DispatchObject<PlainDocument, IDispatch> {
public:
    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (riid == IID_IUnknown || riid == IID_IDispatch) {
            return Answer(ppv);
        }
        return E_NOINTERFACE;
    }

    // IDispatch
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                     UINT*) override {
        return E_NOTIMPL;
    }

private:
    friend class ComObject<PlainDocument, IDispatch>;
    ~PlainDocument() = default;
};

}  // namespace

ComPtr<IDispatch> CreatePlainDocument() { return ComPtr<IDispatch>::Attach(new PlainDocument()); }

ComPtr<IDispatch> CreateDocument(DocumentKind kind, std::wstring url, std::wstring title) {
    switch (kind) {
        case DocumentKind::Html: {
            ComPtr<IDispatch> document;
            CreateHtmlDocument(std::move(url), std::move(title)).As(IID_IDispatch, document);
            return document;
        }
        case DocumentKind::Plain:
            return CreatePlainDocument();
        case DocumentKind::None:
        case DocumentKind::Drawn:
            break;
    }
    return {};
}

}  // namespace pagelens::standin

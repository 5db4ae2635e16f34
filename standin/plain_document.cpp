// A document that is not an HTML document, as the real browser shows for a file folder or a
// plug-in: it is an automation object and nothing more.
#include <atomic>

#include "standin/documents.h"

namespace pagelens::standin {
namespace {

class PlainDocument final : public IDispatch {
public:
    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (riid == IID_IUnknown || riid == IID_IDispatch) {
            *ppv = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        ULONG left = --references_;
        if (left == 0) delete this;
        return left;
    }

    // IDispatch
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (!count) return E_POINTER;
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                     UINT*) override {
        return E_NOTIMPL;
    }

private:
    ~PlainDocument() = default;

    std::atomic<ULONG> references_{1};
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
            break;
    }
    return {};
}

}  // namespace pagelens::standin

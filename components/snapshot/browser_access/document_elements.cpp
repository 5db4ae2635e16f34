#include "components/snapshot/browser_access/document_elements.h"

namespace pagelens::capture {

void ForEachElement(IHTMLDocument2* document,
                    const std::function<void(const ComPtr<IHTMLElement>&)>& visit) {
    ComPtr<IHTMLElementCollection> all;
    LONG count = 0;
    if (FAILED(document->get_all(all.put())) || !all || FAILED(all->get_length(&count))) return;
    for (LONG i = 0; i < count; ++i) {
        VARIANT index, none;
        V_VT(&index) = VT_I4;
        V_I4(&index) = i;
        VariantInit(&none);
        ComPtr<IDispatch> item;
        ComPtr<IHTMLElement> element;
        if (FAILED(all->item(index, none, item.put())) || !item ||
            FAILED(item.As(IID_IHTMLElement, element)))
            continue;
        visit(element);
    }
}

}  // namespace pagelens::capture

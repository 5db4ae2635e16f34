// The caller's handle on a drawn stand-in page (see drawn_page.h).
#include "standin/drawn_page.h"

#include "standin/page_model.h"
#include "standin/page_objects.h"

namespace pagelens::standin {

DrawnPage::DrawnPage(HWND frame, const PageDesign& design)
    : model_(std::make_shared<PageModel>(frame, design)),
      document_(CreatePageDocument(model_, design.url)) {}

const PageDesign& DrawnPage::design() const { return model_->design(); }
int DrawnPage::pageHeight() const { return model_->pageHeight(); }
int DrawnPage::pageWidth() const { return model_->pageWidth(); }
int DrawnPage::clientWidth() const { return model_->clientWidth(); }
int DrawnPage::clientHeight() const { return model_->clientHeight(); }
double DrawnPage::scale() const { return model_->scale(); }
POINT DrawnPage::scroll() const { return model_->scroll(); }
void DrawnPage::ScrollAsUser(int x, int y) { model_->ScrollTo(x, y); }
int DrawnPage::areaScroll() const { return model_->areaScroll(); }
void DrawnPage::ScrollAreaAsUser(int y) { model_->ScrollAreaTo(y); }
bool DrawnPage::lazyLoaded() const { return model_->lazyLoaded(); }
int DrawnPage::draws() const { return model_->draws(); }
HWND DrawnPage::view() const { return model_->view(); }
int DrawnPage::typedKeys() const { return model_->typedKeys; }
void DrawnPage::OnDraw(std::function<void(int)> hook) { model_->onDraw = std::move(hook); }

std::wstring DrawnPage::headerVisibility() const {
    const auto* header = model_->header();
    return header ? header->visibility : std::wstring();
}

}  // namespace pagelens::standin

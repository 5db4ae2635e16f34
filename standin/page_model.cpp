// The drawn stand-in page's state and painting (see page_model.h).
#include "standin/page_model.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "common/module.h"

namespace pagelens::standin {
namespace {

constexpr wchar_t kViewClass[] = L"PagelensStandinPageView";

COLORREF Ref(const PageColour& c) { return RGB(c.r, c.g, c.b); }

void Fill(HDC dc, const RECT& area, COLORREF colour) {
    SetBkColor(dc, colour);
    ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &area, nullptr, 0, nullptr);
}

// The view at its scroll position, for the screen and for PrintWindow alike.
void PaintContent(const PageModel& model, HDC dc) {
    if (model.design().windowPaints) model.Paint(dc, 0, 0);
}

LRESULT CALLBACK ViewProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* model = reinterpret_cast<PageModel*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    switch (message) {
        case WM_PAINT:
            if (model) {
                PaintScope paint(hwnd);
                PaintContent(*model, paint.dc());
                return 0;
            }
            break;
        case WM_PRINTCLIENT:
            if (model) {
                PaintContent(*model, reinterpret_cast<HDC>(wParam));
                return 0;
            }
            break;
        case WM_ERASEBKGND:
            return 1;
        case WM_KEYDOWN:
        case WM_KEYUP:
        case WM_SYSKEYDOWN:
        case WM_SYSKEYUP:
            if (model && wParam != VK_SHIFT && wParam != VK_CONTROL && wParam != VK_MENU)
                ++model->typedKeys;
            break;
        case WM_CHAR:
        case WM_SYSCHAR:
            if (model) ++model->typedKeys;
            break;
        case PageModel::kLoadLazyBlock:
            if (model) model->LoadLazyBlockIfSeen();
            return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

void RegisterViewClass() {
    static const ATOM atom = [] {
        WNDCLASSEXW wc{sizeof wc};
        wc.lpfnWndProc = ViewProc;
        wc.hInstance = ThisModule();
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.lpszClassName = kViewClass;
        return RegisterClassExW(&wc);
    }();
    (void)atom;
}

}  // namespace

PageColour BandColour(int band, int column) {
    return {30 + (band % 6) * 40, 30 + (band / 6 % 6) * 40,
            30 + ((band / 36 % 3) * 2 + column % 2) * 36};
}

PageModel::PageModel(HWND frame, const PageDesign& design) : design_(design) {
    elements_.push_back({ElementRole::Html});
    elements_.push_back({ElementRole::Body});
    const int width = pageWidth();
    if (design_.scrollsInside) {
        const int bottom = clientHeight();
        elements_.push_back({ElementRole::Bar, 0, {0, 0, width, design_.barHeight}});
        elements_.push_back({ElementRole::Area,
                             0,
                             {0, design_.barHeight, width, design_.barHeight + areaHeight()}});
        elements_.push_back(
            {ElementRole::Footer, 0, {0, bottom - design_.footerHeight, width, bottom}});
    }
    if (design_.headerHeight > 0)
        elements_.push_back({ElementRole::Header, 0, {0, 0, clientWidth(), design_.headerHeight}});
    for (int band = 0; band < design_.bandCount; ++band)
        elements_.push_back(
            {ElementRole::Band,
             band,
             {0, band * design_.bandHeight, width, (band + 1) * design_.bandHeight}});
    if (design_.lazyTop >= 0)
        elements_.push_back({ElementRole::Lazy,
                             0,
                             {kLazyLeft, design_.lazyTop, kLazyLeft + kLazyWidth,
                              design_.lazyTop + design_.lazyHeight}});
    for (size_t field = 0; field < design_.fields.size(); ++field)
        elements_.push_back({ElementRole::Field, 0, {}, L"", field});
    RegisterViewClass();
    const DWORD style = frame ? WS_CHILD | WS_VISIBLE : WS_POPUP;
    view_.reset(CreateWindowExW(0, kViewClass, L"", style, 0, 0, design_.viewWidth,
                                design_.viewHeight, frame, nullptr, ThisModule(), nullptr));
    if (view_) SetWindowLongPtrW(view_.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

int PageModel::pageHeight() const {
    return design_.scrollsInside ? clientHeight() : contentHeight();
}

int PageModel::areaHeight() const {
    return clientHeight() - design_.barHeight - design_.footerHeight;
}

int PageModel::pageWidth() const {
    return design_.contentWidth > 0 ? design_.contentWidth : clientWidth();
}

int PageModel::Device(int css) const { return static_cast<int>(std::lround(css * scale())); }

bool PageModel::verticalBar() const {
    return !design_.scrollsInside && Device(pageHeight()) > design_.viewHeight;
}

bool PageModel::horizontalBar() const {
    return Device(design_.contentWidth) > design_.viewWidth - (verticalBar() ? kScrollBarSize : 0);
}

int PageModel::clientWidthDevice() const {
    return design_.viewWidth - (verticalBar() ? kScrollBarSize : 0);
}

int PageModel::clientHeightDevice() const {
    return design_.viewHeight - (horizontalBar() ? kScrollBarSize : 0);
}

int PageModel::clientWidth() const {
    return static_cast<int>(std::floor(clientWidthDevice() / scale()));
}

int PageModel::clientHeight() const {
    return static_cast<int>(std::floor(clientHeightDevice() / scale()));
}

RECT PageModel::InView(const RECT& box, POINT scroll, int left, int top) const {
    const int dx = left - Device(scroll.x), dy = top - Device(scroll.y);
    return {Device(box.left) + dx, Device(box.top) + dy, Device(box.right) + dx,
            Device(box.bottom) + dy};
}

POINT PageModel::ContentScroll(bool ignoreScroll) const {
    if (design_.scrollsInside) return {0, (ignoreScroll ? 0 : areaScroll_) - design_.barHeight};
    return ignoreScroll ? POINT{0, 0} : scroll_;
}

RECT PageModel::ViewBox(const PageElementState& element) const {
    const RECT& b = element.box;
    switch (element.role) {
        case ElementRole::Header:
        case ElementRole::Bar:
        case ElementRole::Area:
        case ElementRole::Footer:
            return b;
        case ElementRole::Band:
        case ElementRole::Lazy: {
            const POINT s = ContentScroll(false);
            return {b.left - s.x, b.top - s.y, b.right - s.x, b.bottom - s.y};
        }
        default:
            return {-scroll_.x, -scroll_.y, pageWidth() - scroll_.x, pageHeight() - scroll_.y};
    }
}

void PageModel::ScrollAreaTo(int y) {
    areaScroll_ = std::clamp(y, 0, std::max(0, contentHeight() - areaHeight()));
    if (view_) InvalidateRect(view_.get(), nullptr, FALSE);
}

void PageModel::ScrollTo(int x, int y) {
    scroll_.x = std::clamp(x, 0, std::max(0, pageWidth() - clientWidth()));
    scroll_.y = std::clamp(y, 0, std::max(0, pageHeight() - clientHeight()));
    if (view_) {
        InvalidateRect(view_.get(), nullptr, FALSE);
        if (design_.lazyTop >= 0 && !lazyLoaded_) PostMessageW(view_.get(), kLoadLazyBlock, 0, 0);
    }
}

void PageModel::LoadLazyBlockIfSeen() {
    if (lazyLoaded_ || design_.lazyTop < 0) return;
    const int top = scroll_.y, bottom = scroll_.y + clientHeight();
    if (design_.lazyTop < bottom && design_.lazyTop + design_.lazyHeight > top) {
        lazyLoaded_ = true;
        if (view_) InvalidateRect(view_.get(), nullptr, FALSE);
    }
}

PageElementState* PageModel::header() {
    for (auto& element : elements_)
        if (element.role == ElementRole::Header) return &element;
    return nullptr;
}

std::wstring PageModel::ComputedVisibility(const PageElementState& element) {
    return element.visibility.empty() ? L"visible" : element.visibility;
}

bool PageModel::Shows(const PageElementState& element) const {
    return ComputedVisibility(element) != L"hidden";
}

void PageModel::Paint(HDC dc, int left, int top, bool ignoreScroll) const {
    const RECT client{left, top, left + clientWidthDevice(), top + clientHeightDevice()};
    Fill(dc, {left, top, left + design_.viewWidth, top + design_.viewHeight}, RGB(255, 255, 255));
    RECT shown = client;  // where the bands show
    if (design_.scrollsInside)
        shown = {left, top + Device(design_.barHeight), client.right,
                 top + Device(design_.barHeight + areaHeight())};
    const UniqueHandle<HRGN, detail::DeleteGdiObject> clip(
        CreateRectRgn(shown.left, shown.top, shown.right, shown.bottom));
    SelectClipRgn(dc, clip.get());
    SetBkMode(dc, TRANSPARENT);
    const POINT scroll = ContentScroll(ignoreScroll);
    for (const auto& element : elements_) {
        if (!Shows(element)) continue;
        if (element.role == ElementRole::Band) {
            const RECT band = InView(element.box, scroll, left, top);
            if (band.bottom <= shown.top || band.top >= shown.bottom) continue;
            for (int x = 0; x < element.box.right; x += kColumnWidth) {
                const RECT cell =
                    InView({x, element.box.top, std::min<int>(x + kColumnWidth, element.box.right),
                            element.box.bottom},
                           scroll, left, top);
                if (cell.right > shown.left && cell.left < shown.right)
                    Fill(dc, cell, Ref(BandColour(element.band, x / kColumnWidth)));
            }
            const std::wstring number = std::to_wstring(element.band + 1);
            TextOutW(dc, band.left + 8, band.top + 8, number.c_str(),
                     static_cast<int>(number.size()));
        } else if (element.role == ElementRole::Lazy && lazyLoaded_) {
            Fill(dc, InView(element.box, scroll, left, top), Ref(kLazyColour));
        }
    }
    SelectClipRgn(dc, nullptr);
    // In place in the view, over the page.
    for (const auto& element : elements_) {
        if (!Shows(element)) continue;
        const RECT box = InView(element.box, {0, 0}, left, top);
        if (element.role == ElementRole::Bar) Fill(dc, box, Ref(kBarColour));
        if (element.role == ElementRole::Footer) Fill(dc, box, Ref(kFooterColour));
        if (element.role == ElementRole::Header) {
            RECT clipped = box;
            IntersectRect(&clipped, &box, &client);
            Fill(dc, clipped, Ref(kHeaderColour));
        }
    }
    if (verticalBar())
        Fill(dc, {client.right, top, left + design_.viewWidth, top + design_.viewHeight},
             Ref(kScrollBarColour));
    if (horizontalBar())
        Fill(dc, {left, client.bottom, left + design_.viewWidth, top + design_.viewHeight},
             Ref(kScrollBarColour));
}

void PageModel::CountDraw() {
    ++draws_;
    if (onDraw) onDraw(draws_);
}

}  // namespace pagelens::standin

#include "tests/snapshot/drawn_page_checks.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace pagelens::test {
namespace {

using standin::PageColour;

bool Near(uint32_t pixel, const PageColour& colour) {
    constexpr int kJpegError = 16;
    return std::abs(RedOf(pixel) - colour.r) <= kJpegError &&
           std::abs(GreenOf(pixel) - colour.g) <= kJpegError &&
           std::abs(BlueOf(pixel) - colour.b) <= kJpegError;
}

int ContentHeight(const standin::PageDesign& design) {
    return design.bandCount * design.bandHeight;
}

// What the page shows at (x, y) of a capture that starts at its top: with a scrolling area,
// the bar, the area's content unrolled, then the footer.
PageColour Expected(const standin::DrawnPage& page, int x, int y) {
    const auto& design = page.design();
    if (design.scrollsInside) {
        if (y < design.barHeight) return standin::kBarColour;
        y -= design.barHeight;
        if (y >= ContentHeight(design)) return standin::kFooterColour;
    }
    if (y < design.headerHeight && x < page.clientWidth()) return standin::kHeaderColour;
    if (design.lazyTop >= 0 && y >= design.lazyTop && y < design.lazyTop + design.lazyHeight &&
        x >= standin::kLazyLeft && x < standin::kLazyLeft + standin::kLazyWidth)
        return standin::kLazyColour;
    return standin::BandColour(y / design.bandHeight, x / standin::kColumnWidth);
}

}  // namespace

::testing::AssertionResult ShowsDrawnPage(const Image& image, const standin::DrawnPage& page) {
    const auto& design = page.design();
    const double scale = page.scale();
    const auto device = [scale](int css) { return static_cast<int>(std::lround(css * scale)); };
    const int width =
        std::max(static_cast<int>(std::ceil(page.pageWidth() * scale)), device(page.clientWidth()));
    const int shift = design.scrollsInside ? design.barHeight : 0;
    const int height = static_cast<int>(
        std::ceil((design.scrollsInside ? shift + ContentHeight(design) + design.footerHeight
                                        : page.pageHeight()) *
                  scale));
    if (image.width() != width || image.height() != height)
        return ::testing::AssertionFailure()
               << "the image is " << image.width() << " x " << image.height() << ", the page "
               << width << " x " << height << " device pixels";
    // Away from the edges of bands and cells, where JPEG blurs, and from the band numbers.
    std::vector<int> xs;
    for (int column = 0; column * standin::kColumnWidth < image.width(); ++column) {
        xs.push_back(column * standin::kColumnWidth + 150);
        xs.push_back(column * standin::kColumnWidth + 250);
        xs.push_back(column * standin::kColumnWidth + 450);
    }
    for (int& x : xs) x = device(x);
    xs.push_back(image.width() - 4);  // where a vertical scroll bar would be
    int failures = 0;
    ::testing::AssertionResult result = ::testing::AssertionFailure();
    std::vector<int> rows;  // CSS rows of the image to look at
    for (int band = 0; band < design.bandCount; ++band)
        for (int offset : {design.bandHeight / 5, design.bandHeight / 2, design.bandHeight * 4 / 5})
            rows.push_back(shift + band * design.bandHeight + offset);
    if (design.scrollsInside) {
        rows.push_back(design.barHeight / 2);
        rows.push_back(shift + ContentHeight(design) + design.footerHeight / 2);
    }
    for (int row : rows) {
        const int y = device(row);
        for (int x : xs) {
            const int cssX = static_cast<int>(x / scale);
            if (x >= image.width() || cssX % standin::kColumnWidth > standin::kColumnWidth - 8)
                continue;
            const PageColour want = Expected(page, cssX, static_cast<int>(y / scale));
            const uint32_t got = image.row(y)[x];
            if (Near(got, want)) continue;
            if (++failures <= 5)
                result << "(" << x << "," << y << ") is " << int(RedOf(got)) << ","
                       << int(GreenOf(got)) << "," << int(BlueOf(got)) << ", not " << want.r << ","
                       << want.g << "," << want.b << "; ";
        }
    }
    if (failures == 0) return ::testing::AssertionSuccess();
    return result << failures << " pixels differ";
}

}  // namespace pagelens::test

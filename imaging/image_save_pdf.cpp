// PDF files written by our own code: PDF 1.4, one page per band of the image, each page filled
// by its band as a JPEG image (DCTDecode, quality 85) streamed straight into the file. The page
// image is shown at 96 pixels per inch, the resolution pages are laid out for. A page may be at
// most 200 inches (14400 points) a side, so a taller image is split into bands of equal height,
// one per page, at full resolution; an image wider than that is scaled down to fit the width.
// Each image stream's length is an indirect object written after the stream, so nothing is
// buffered; the cross-reference table records every object's byte offset as it is written.
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "imaging/image_files.h"
#include "imaging/image_save_jpeg.h"
#include "imaging/image_save_output.h"

namespace pagelens {
namespace {

constexpr int kPdfJpegQuality = 85;
constexpr double kPointsPerPixel = 72.0 / 96.0;
constexpr double kLargestPageSide = 14400.0;  // points

struct PdfLayout {
    double pointsPerPixel = kPointsPerPixel;
    std::vector<int> bandRows;  // rows of the image on each page, top to bottom
};

PdfLayout LayOut(int width, int height) {
    PdfLayout layout;
    if (width * kPointsPerPixel > kLargestPageSide)
        layout.pointsPerPixel = kLargestPageSide / width;
    const int rowsPerPage = int(std::floor(kLargestPageSide / layout.pointsPerPixel));
    const int pages = (height + rowsPerPage - 1) / rowsPerPage;
    const int rows = (height + pages - 1) / pages;
    for (int top = 0; top < height; top += rows)
        layout.bandRows.push_back(std::min(rows, height - top));
    return layout;
}

// A number in a PDF file: decimal point whatever the locale, at most four decimals.
std::string PdfNumber(double value) {
    const long long scaled = std::llround(value * 10000.0);
    std::string text = std::to_string(scaled / 10000);
    long long fraction = scaled % 10000;
    if (fraction == 0) return text;
    std::string digits = std::to_string(10000 + fraction).substr(1);
    while (digits.back() == '0') digits.pop_back();
    return text + "." + digits;
}

// Objects: 1 catalog, 2 page tree, 3 document information, then four per page.
int PageObject(size_t page) { return 4 + int(page) * 4; }
int ContentObject(size_t page) { return PageObject(page) + 1; }
int ImageObject(size_t page) { return PageObject(page) + 2; }
int ImageLengthObject(size_t page) { return PageObject(page) + 3; }

class PdfWriter {
public:
    PdfWriter(PendingFile& out, int objectCount) : out_(out), offsets_(objectCount + 1, 0) {}

    void put(const std::string& text) { out_.write(text.data(), text.size()); }

    void beginObject(int number) {
        offsets_[number] = out_.written();
        put(std::to_string(number) + " 0 obj\n");
    }
    void object(int number, const std::string& body) {
        beginObject(number);
        put(body + "\nendobj\n");
    }
    uint64_t position() const { return out_.written(); }

    void finish(int root, int info) {
        const uint64_t xref = out_.written();
        put("xref\n0 " + std::to_string(offsets_.size()) + "\n0000000000 65535 f \n");
        for (size_t i = 1; i < offsets_.size(); ++i) {
            const std::string offset = std::to_string(offsets_[i]);
            put(std::string(10 - std::min<size_t>(10, offset.size()), '0') + offset +
                " 00000 n \n");  // 20 bytes an entry
        }
        put("trailer\n<< /Size " + std::to_string(offsets_.size()) + " /Root " +
            std::to_string(root) + " 0 R /Info " + std::to_string(info) + " 0 R >>\nstartxref\n" +
            std::to_string(xref) + "\n%%EOF\n");
    }

private:
    PendingFile& out_;
    std::vector<uint64_t> offsets_;
};

std::string Reference(int object) { return std::to_string(object) + " 0 R"; }

Status WritePage(PdfWriter& pdf, PendingFile& out, const Image& image, const PdfLayout& layout,
                 size_t page, int firstRow) {
    const int rows = layout.bandRows[page];
    const std::string width = PdfNumber(image.width() * layout.pointsPerPixel);
    const std::string height = PdfNumber(rows * layout.pointsPerPixel);
    pdf.object(PageObject(page), "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 " + width + " " +
                                     height + "] /Resources << /XObject << /Im1 " +
                                     Reference(ImageObject(page)) +
                                     " >> /ProcSet [/PDF /ImageC] >> /Contents " +
                                     Reference(ContentObject(page)) + " >>");
    const std::string drawing = "q " + width + " 0 0 " + height + " 0 0 cm /Im1 Do Q\n";
    pdf.object(ContentObject(page), "<< /Length " + std::to_string(drawing.size()) +
                                        " >>\nstream\n" + drawing + "endstream");

    pdf.beginObject(ImageObject(page));
    pdf.put("<< /Type /XObject /Subtype /Image /Width " + std::to_string(image.width()) +
            " /Height " + std::to_string(rows) +
            " /ColorSpace /DeviceRGB /BitsPerComponent 8 /Filter /DCTDecode /Length " +
            Reference(ImageLengthObject(page)) + " >>\nstream\n");
    const uint64_t start = pdf.position();
    PAGELENS_RETURN_IF_ERROR(WriteJpeg(image, firstRow, rows, kPdfJpegQuality, out));
    const uint64_t length = pdf.position() - start;
    pdf.put("\nendstream\nendobj\n");
    pdf.object(ImageLengthObject(page), std::to_string(length));
    return {};
}

}  // namespace

Status SaveAsPdfFile(const Image& image, const std::wstring& path) {
    if (image.empty()) return NoImageToSave();
    if (image.width() > kLargestJpegSide)
        return errors::Overflow(L"an image for PDF is at most 65535 pixels wide");
    const PdfLayout layout = LayOut(image.width(), image.height());
    auto file = PendingFile::Create(path);
    if (!file) return file.error();
    PendingFile& out = file.value();

    const size_t pages = layout.bandRows.size();
    PdfWriter pdf(out, PageObject(pages) - 1);
    pdf.put("%PDF-1.4\n%\xE2\xE3\xCF\xD3\n");
    pdf.object(1, "<< /Type /Catalog /Pages 2 0 R >>");
    std::string kids;
    for (size_t page = 0; page < pages; ++page) {
        if (page) kids += ' ';
        kids += Reference(PageObject(page));
    }
    pdf.object(2, "<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(pages) + " >>");
    pdf.object(3, "<< /Producer (iePagelens) >>");
    int firstRow = 0;
    for (size_t page = 0; page < pages; ++page) {
        PAGELENS_RETURN_IF_ERROR(WritePage(pdf, out, image, layout, page, firstRow));
        firstRow += layout.bandRows[page];
    }
    pdf.finish(1, 3);
    return out.commit();
}

}  // namespace pagelens

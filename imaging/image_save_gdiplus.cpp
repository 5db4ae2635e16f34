// BMP, PNG and TIFF files through GDI+'s encoders. A colour image goes to GDI+ as a Bitmap over
// the image's own buffer (no copy); a gray or black-and-white image goes as an 8-bit or 1-bit
// indexed copy, which reads back with the same pixels and makes a file a quarter or a
// thirty-second of the size, faster to write. GDI+ writes the temporary file of a PendingFile
// by name, and image_save_gdiplus_fixups mends what Wine's encoders get wrong in it. The caller
// keeps GDI+ started.
// clang-format off
#include <objidl.h>  // before <gdiplus.h>, which needs its COM types
#include <gdiplus.h>
// clang-format on

#include <memory>
#include <new>
#include <vector>

#include "imaging/image_files.h"
#include "imaging/image_save_gdiplus_fixups.h"
#include "imaging/image_save_output.h"
#include "imaging/image_save_tone.h"

namespace pagelens {
namespace {

RunError EncoderFailure(const wchar_t* what) { return errors::PathFileAccess(what); }

Result<CLSID> EncoderFor(const wchar_t* mimeType) {
    UINT count = 0, bytes = 0;
    if (Gdiplus::GetImageEncodersSize(&count, &bytes) != Gdiplus::Ok || bytes == 0)
        return EncoderFailure(L"GDI+ is not running or has no image encoders");
    std::vector<uint8_t> storage(bytes);
    auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(storage.data());
    if (Gdiplus::GetImageEncoders(count, bytes, codecs) != Gdiplus::Ok)
        return EncoderFailure(L"GDI+ lists no image encoders");
    for (UINT i = 0; i < count; ++i)
        if (codecs[i].MimeType && wcscmp(codecs[i].MimeType, mimeType) == 0) return codecs[i].Clsid;
    return EncoderFailure((std::wstring(L"GDI+ has no encoder for ") + mimeType).c_str());
}

enum class AlphaHandling { Keep, Drop };

struct GdiplusFormat {
    const wchar_t* mimeType;
    AlphaHandling alpha;
    // Mends the written file; gets the gray levels of the palette, if one was used.
    Status (*mend)(const std::wstring& path, const std::vector<uint8_t>& grayLevels);
};

// Pixels laid out as GDI+ takes them: the image's own buffer, or an indexed copy with its palette.
class EncoderInput {
public:
    static Result<EncoderInput> Make(const Image& image, const ToneSummary& summary,
                                     AlphaHandling alpha) {
        EncoderInput input;
        input.width_ = image.width();
        input.height_ = image.height();
        const ImageTone tone = summary.tone;
        if (tone == ImageTone::Color && !summary.opaque && alpha == AlphaHandling::Drop)
            return MakeRgb(image);
        if (tone == ImageTone::Color) {
            // GDI+ only reads this buffer while encoding.
            input.scan0_ = const_cast<uint32_t*>(image.pixels());
            input.stride_ = image.width() * 4;
            input.format_ = summary.opaque ? PixelFormat32bppRGB : PixelFormat32bppARGB;
            return input;
        }
        const bool oneBit = tone == ImageTone::BlackAndWhite;
        input.stride_ = oneBit ? IndexedStride(image.width(), 1) : IndexedStride(image.width(), 8);
        input.copy_.reset(new (std::nothrow) uint8_t[size_t(input.stride_) * image.height()]);
        if (!input.copy_) return errors::OutOfMemory();
        input.scan0_ = input.copy_.get();
        if (oneBit) {
            PackBlackAndWhite(image, input.copy_.get(), input.stride_);
            input.format_ = PixelFormat1bppIndexed;
        } else {
            PackGray(image, input.copy_.get(), input.stride_);
            input.format_ = PixelFormat8bppIndexed;
        }
        if (!input.setGrayPalette(oneBit ? 2 : 256)) return errors::OutOfMemory();
        return input;
    }

    // The palette's levels for a gray or black-and-white image; empty for colour.
    const std::vector<uint8_t>& grayLevels() const { return grayLevels_; }

    Status save(const std::wstring& path, const CLSID& encoder) const {
        Gdiplus::Bitmap bitmap(width_, height_, stride_, format_, static_cast<BYTE*>(scan0_));
        if (bitmap.GetLastStatus() != Gdiplus::Ok) return errors::OutOfMemory();
        if (palette_ && bitmap.SetPalette(palette()) != Gdiplus::Ok)
            return EncoderFailure(L"GDI+ refused the palette");
        const Gdiplus::Status status = bitmap.Save(path.c_str(), &encoder, nullptr);
        if (status == Gdiplus::Win32Error) return SaveFailure(GetLastError(), path);
        if (status != Gdiplus::Ok) return EncoderFailure(L"the GDI+ encoder failed");
        return {};
    }

private:
    // 24-bit rows: a 32-bit BMP keeps alpha in its fourth byte, which some readers honour.
    static Result<EncoderInput> MakeRgb(const Image& image) {
        EncoderInput input;
        input.width_ = image.width();
        input.height_ = image.height();
        input.stride_ = IndexedStride(image.width(), 24);
        input.copy_.reset(new (std::nothrow) uint8_t[size_t(input.stride_) * image.height()]);
        if (!input.copy_) return errors::OutOfMemory();
        for (int y = 0; y < image.height(); ++y)
            PackBgrRow(image.row(y), image.width(), input.copy_.get() + size_t(y) * input.stride_,
                       input.stride_);
        input.scan0_ = input.copy_.get();
        input.format_ = PixelFormat24bppRGB;
        return input;
    }

    bool setGrayPalette(int entries) {
        palette_.reset(new (std::nothrow)
                           uint8_t[sizeof(Gdiplus::ColorPalette) + 256 * sizeof(Gdiplus::ARGB)]);
        if (!palette_) return false;
        auto* p = palette();
        p->Flags = Gdiplus::PaletteFlagsGrayScale;
        p->Count = entries;
        for (int i = 0; i < entries; ++i) {
            const uint8_t v = uint8_t(i * 255 / (entries - 1));
            p->Entries[i] = PackPixel(v, v, v);
            grayLevels_.push_back(v);
        }
        return true;
    }
    Gdiplus::ColorPalette* palette() const {
        return reinterpret_cast<Gdiplus::ColorPalette*>(palette_.get());
    }

    int width_ = 0, height_ = 0, stride_ = 0;
    Gdiplus::PixelFormat format_ = PixelFormat32bppRGB;
    void* scan0_ = nullptr;
    std::unique_ptr<uint8_t[]> copy_;  // indexed or 24-bit rows, when not the image's own
    std::unique_ptr<uint8_t[]> palette_;
    std::vector<uint8_t> grayLevels_;
};

Status SaveThroughGdiplus(const Image& image, const std::wstring& path,
                          const GdiplusFormat& format) {
    if (image.empty()) return NoImageToSave();
    auto encoder = EncoderFor(format.mimeType);
    if (!encoder) return encoder.error();
    const ToneSummary summary = SummarizeTone(image);
    auto input = EncoderInput::Make(image, summary, format.alpha);
    if (!input) return input.error();
    auto file = PendingFile::Create(path);
    if (!file) return file.error();
    file.value().closeHandle();
    const std::wstring& written = file.value().temporaryPath();
    PAGELENS_RETURN_IF_ERROR(input.value().save(written, *encoder));
    if (format.mend) PAGELENS_RETURN_IF_ERROR(format.mend(written, input.value().grayLevels()));
    return file.value().commit();
}

Status MendBmp(const std::wstring& path, const std::vector<uint8_t>&) {
    return FixBmpFileSize(path);
}

Status MendTiff(const std::wstring& path, const std::vector<uint8_t>& grayLevels) {
    return grayLevels.empty() ? Status() : FixTiffColorMap(path, grayLevels);
}

}  // namespace

Status SaveAsBmpFile(const Image& image, const std::wstring& path) {
    return SaveThroughGdiplus(image, path, {L"image/bmp", AlphaHandling::Drop, MendBmp});
}

Status SaveAsPngFile(const Image& image, const std::wstring& path) {
    return SaveThroughGdiplus(image, path, {L"image/png", AlphaHandling::Keep, nullptr});
}

Status SaveAsTiffFile(const Image& image, const std::wstring& path) {
    return SaveThroughGdiplus(image, path, {L"image/tiff", AlphaHandling::Keep, MendTiff});
}

}  // namespace pagelens

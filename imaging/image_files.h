// Reading a page image from a file, and writing it in the eight formats the viewer saves.
// Each writer writes exactly at the path it is given.
#pragma once
#include <string>

#include "common/run_error.h"
#include "imaging/image.h"

namespace pagelens {

// JPEG, PNG, BMP, GIF and TIFF. The GDI+ session must be running.
Result<Image> LoadImageFile(const std::wstring& path);

Status SaveAsBmpFile(const Image& image, const std::wstring& path);
Status SaveAsPngFile(const Image& image, const std::wstring& path);
Status SaveAsTiffFile(const Image& image, const std::wstring& path);
Status SaveAsJpegFile(const Image& image, const std::wstring& path, int quality);  // 0..100
Status SaveAsGifFile(const Image& image, const std::wstring& path);
Status SaveAsEmfFile(const Image& image, const std::wstring& path);
Status SaveAsWmfFile(const Image& image, const std::wstring& path);
Status SaveAsPdfFile(const Image& image, const std::wstring& path);

}  // namespace pagelens

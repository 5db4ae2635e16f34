// Readers that the writer tests check files with, independent of the writers: GDI+'s decoders
// for the raster formats, and GDI's own metafile functions with playback into a memory bitmap
// for EMF and WMF. Each answers an empty image when the file cannot be read.
#pragma once
#include <windows.h>

#include <string>

#include "imaging/image.h"

namespace pagelens::test {

struct RasterFile {
    Image image;
    int bitsPerPixel = 0;  // as stored in the file
};
// GDI+ must be running.
RasterFile ReadWithGdiplus(const std::wstring& path);

struct EnhancedMetafile {
    bool opened = false;
    RECTL bounds{};  // device units of the reference device
    RECTL frame{};   // .01 mm
    Image played;    // played into a bitmap of the bounds' size
};
EnhancedMetafile ReadEnhancedMetafile(const std::wstring& path);

struct WindowsMetafile {
    bool placeable = false;  // Aldus header with a correct checksum
    RECT box{};              // the placeable header's bounding box
    int unitsPerInch = 0;
    // GetMetaFileW opens the standard metafile after the Aldus header (neither Windows nor
    // Wine open a placeable file by name).
    bool openedByName = false;
    bool convertsToEmf = false;  // SetWinMetaFileBits accepts the standard metafile
    Image played;                // the records played into a width x height bitmap
};
WindowsMetafile ReadWindowsMetafile(const std::wstring& path, int width, int height);

}  // namespace pagelens::test

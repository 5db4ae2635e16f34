// Corrections to the files that GDI+'s encoders write under Wine, made in the file just written
// before it takes the target's name. Each looks for exactly its fault and leaves a correct file
// alone, so where the encoder is right (Windows) nothing changes.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "common/run_error.h"

namespace pagelens {

// A BMP with a colour table whose file header gives the size without the table: readers that
// check the size refuse the file.
Status FixBmpFileSize(const std::wstring& path);

// A TIFF colour map whose 16-bit entries are the palette's 8-bit levels times 256 rather than
// 257: white is then 65280 of 65535, and 16-bit readers show it as light gray. `levels` are the
// palette's gray levels, entry by entry.
Status FixTiffColorMap(const std::wstring& path, const std::vector<uint8_t>& levels);

}  // namespace pagelens

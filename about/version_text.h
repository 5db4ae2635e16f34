// The version line of the About window, from the file version in a module's version resource.
#pragma once
#include <cstdint>
#include <string>

#include "common/run_error.h"

namespace pagelens {

struct FileVersion {
    uint16_t major = 0;
    uint16_t minor = 0;
    uint16_t build = 0;
    uint16_t revision = 0;

    bool operator==(const FileVersion&) const = default;
};

// The file version in the version resource of the module file at `path`; file not found when
// it has none.
Result<FileVersion> ReadFileVersion(const std::wstring& path);

// "Version " major.minor.revision: the program's revision is the last field of the file
// version, so 1.0.0.0 reads "Version 1.0.0" and 2.3.0.7 "Version 2.3.7".
std::wstring VersionText(const FileVersion& version);

}  // namespace pagelens

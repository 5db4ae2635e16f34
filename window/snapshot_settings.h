// The snapshot window's settings: loaded once per showing, each with its default, and written
// back through one place. A damaged stored value never keeps the window from opening: it reads
// as its default.
#pragma once
#include <cstdint>
#include <string>

#include "common/run_error.h"

namespace pagelens {

inline constexpr int32_t kDefaultPresetWidth = 120;
inline constexpr int32_t kDefaultPresetHeight = 90;

// The window's frame in twips.
struct Placement {
    float left = 1;
    float top = 1;
    float width = 10000;
    float height = 6500;
};

struct PresetSize {
    int32_t width = kDefaultPresetWidth;
    int32_t height = kDefaultPresetHeight;
};

class SnapshotSettings {
public:
    enum class Field { Placement, Address, JpegQuality, Preset, ImageType };

    static SnapshotSettings Load();
    // The preset as stored now, for the Preset command; an unreadable value is an error.
    static Result<PresetSize> StoredPreset();

    Placement placement;
    std::wstring address;
    int32_t jpegQuality = 85;
    PresetSize preset;  // both sides at least 1
    std::wstring imageType = L"jpg";

    // Writes the field's current value; the first failing write's error is returned.
    Status Store(Field field) const;
};

}  // namespace pagelens

// Corrections of GDI+ encoder output; see image_save_gdiplus_fixups.h.
#include "imaging/image_save_gdiplus_fixups.h"

#include <windows.h>

#include "common/unique_handle.h"
#include "imaging/image_save_output.h"

namespace pagelens {
namespace {

class PatchableFile {
public:
    explicit PatchableFile(const std::wstring& path)
        : path_(path),
          file_(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr)) {}

    bool ok() const { return bool(file_); }
    Status error() const { return SaveFailure(GetLastError(), path_); }

    uint64_t size() const {
        LARGE_INTEGER size{};
        return GetFileSizeEx(file_.get(), &size) ? uint64_t(size.QuadPart) : 0;
    }
    bool read(uint64_t offset, void* data, DWORD length) const {
        DWORD done = 0;
        return seek(offset) && ReadFile(file_.get(), data, length, &done, nullptr) &&
               done == length;
    }
    bool write(uint64_t offset, const void* data, DWORD length) const {
        DWORD done = 0;
        return seek(offset) && WriteFile(file_.get(), data, length, &done, nullptr) &&
               done == length;
    }

private:
    bool seek(uint64_t offset) const {
        LARGE_INTEGER to;
        to.QuadPart = LONGLONG(offset);
        return SetFilePointerEx(file_.get(), to, nullptr, FILE_BEGIN);
    }

    std::wstring path_;
    UniqueFile file_;
};

// TIFF numbers in the file's own byte order.
struct TiffOrder {
    bool bigEndian = false;
    uint16_t word(const uint8_t* p) const {
        return bigEndian ? uint16_t(p[0] << 8 | p[1]) : uint16_t(p[1] << 8 | p[0]);
    }
    uint32_t dword(const uint8_t* p) const {
        return bigEndian ? uint32_t(word(p)) << 16 | word(p + 2)
                         : uint32_t(word(p + 2)) << 16 | word(p);
    }
    void putWord(uint8_t* p, uint16_t v) const {
        p[bigEndian ? 0 : 1] = uint8_t(v >> 8);
        p[bigEndian ? 1 : 0] = uint8_t(v);
    }
};

constexpr uint16_t kColorMapTag = 320;
constexpr uint16_t kShortType = 3;

// Where the first directory's colour map is, and its entry count; 0 when there is none.
uint32_t FindColorMap(const PatchableFile& file, const TiffOrder& order, uint32_t& count) {
    uint8_t header[8];
    if (!file.read(0, header, 8)) return 0;
    uint8_t entryCount[2];
    const uint32_t directory = order.dword(header + 4);
    if (!file.read(directory, entryCount, 2)) return 0;
    for (uint32_t i = 0; i < order.word(entryCount); ++i) {
        uint8_t entry[12];
        if (!file.read(directory + 2 + 12 * i, entry, 12)) return 0;
        if (order.word(entry) != kColorMapTag || order.word(entry + 2) != kShortType) continue;
        count = order.dword(entry + 4);
        return order.dword(entry + 8);
    }
    return 0;
}

}  // namespace

Status FixBmpFileSize(const std::wstring& path) {
    PatchableFile file(path);
    if (!file.ok()) return file.error();
    uint8_t header[6];
    const uint64_t size = file.size();
    if (size > 0xFFFFFFFFu || !file.read(0, header, 6) || header[0] != 'B' || header[1] != 'M')
        return {};
    const uint32_t recorded =
        uint32_t(header[2] | header[3] << 8 | header[4] << 16 | header[5] << 24);
    if (recorded == size) return {};
    const uint8_t actual[4] = {uint8_t(size), uint8_t(size >> 8), uint8_t(size >> 16),
                               uint8_t(size >> 24)};
    if (!file.write(2, actual, 4)) return file.error();
    return {};
}

Status FixTiffColorMap(const std::wstring& path, const std::vector<uint8_t>& levels) {
    PatchableFile file(path);
    if (!file.ok()) return file.error();
    uint8_t magic[2];
    if (!file.read(0, magic, 2) || magic[0] != magic[1] || (magic[0] != 'I' && magic[0] != 'M'))
        return {};
    const TiffOrder order{magic[0] == 'M'};
    uint32_t count = 0;
    const uint32_t at = FindColorMap(file, order, count);
    const size_t entries = levels.size();
    if (at == 0 || count != 3 * entries) return {};  // the map is red, green, blue planes

    std::vector<uint8_t> map(count * 2);
    if (!file.read(at, map.data(), DWORD(map.size()))) return {};
    for (size_t i = 0; i < count; ++i)
        if (order.word(&map[2 * i]) != levels[i % entries] * 256) return {};  // not the fault
    for (size_t i = 0; i < count; ++i)
        order.putWord(&map[2 * i], uint16_t(levels[i % entries] * 257));
    if (!file.write(at, map.data(), DWORD(map.size()))) return file.error();
    return {};
}

}  // namespace pagelens

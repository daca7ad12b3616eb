#include "core/firmware/fmap.h"

#include <algorithm>

namespace zd {
namespace {

void putLittleEndian(std::string& out, std::uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
    }
}

void putName(std::string& out, const std::string& name) {
    std::string field = name.substr(0, kRegionNameBytes);
    field.resize(kRegionNameBytes + 1, '\0');
    out += field;
}

} // namespace

std::string fmapBytes(std::vector<FlashRegion> regions, std::uint64_t flashSize) {
    std::stable_sort(
        regions.begin(), regions.end(),
        [](const FlashRegion& a, const FlashRegion& b) { return a.offset < b.offset; });
    const std::uint64_t structure = kFmapHeaderBytes + kFmapAreaBytes * regions.size();
    std::string out = "__FMAP__";
    out += '\x01'; // version 1.1
    out += '\x01';
    putLittleEndian(out, 0, 8);
    putLittleEndian(out, std::clamp<std::uint64_t>(flashSize, structure, 0xFFFFFFFF), 4);
    putName(out, kFmapName);
    putLittleEndian(out, regions.size(), 2);
    for (const FlashRegion& region : regions) {
        putLittleEndian(out, region.offset, 4);
        putLittleEndian(out, region.size, 4);
        putName(out, region.name);
        putLittleEndian(out, 0, 2); // no flags
    }
    return out;
}

bool isFmapBytes(std::string_view head) {
    return head.starts_with("__FMAP__");
}

} // namespace zd

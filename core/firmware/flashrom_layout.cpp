#include "core/firmware/flashrom_layout.h"

#include <algorithm>
#include <cstdio>

namespace zd {

std::string flashromLayoutText(std::vector<FlashRegion> regions) {
    std::stable_sort(
        regions.begin(), regions.end(),
        [](const FlashRegion& a, const FlashRegion& b) { return a.offset < b.offset; });
    std::string text;
    for (const FlashRegion& region : regions) {
        char line[24];
        std::snprintf(line, sizeof line, "%08llx:%08llx ",
                      static_cast<unsigned long long>(region.offset),
                      static_cast<unsigned long long>(region.offset + region.size - 1));
        text += line + region.name + '\n';
    }
    return text;
}

} // namespace zd

#include "core/firmware/flashrom_layout.h"

#include <algorithm>
#include <cstdio>
#include <regex>

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

bool isFlashromLayoutText(std::string_view head) {
    static const std::regex line("[0-9a-f]{8,}:[0-9a-f]{8,} [A-Z0-9_]+");
    const std::size_t end = head.rfind('\n');
    if (end == std::string_view::npos) {
        return false;
    }
    for (std::size_t at = 0; at < end;) {
        const std::size_t next = head.find('\n', at);
        if (!std::regex_match(head.begin() + at, head.begin() + next, line)) {
            return false;
        }
        at = next + 1;
    }
    return true;
}

} // namespace zd

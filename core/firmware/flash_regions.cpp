#include "core/firmware/flash_regions.h"

#include "core/firmware/c_header.h"

#include <unordered_set>

namespace zd {
namespace {

// `stem` cut so that `suffix` after it still fits; no "_" left at the cut.
std::string fitted(std::string stem, const std::string& suffix) {
    stem.resize(std::min(stem.size(), kRegionNameBytes - suffix.size()));
    while (!stem.empty() && stem.back() == '_') {
        stem.pop_back();
    }
    return stem + suffix;
}

} // namespace

std::vector<std::string> regionNames(const EntryList& layout) {
    std::vector<std::string> names = headerNames(layout);
    std::unordered_set<std::string> taken{kFrontRegion};
    for (std::string& name : names) {
        std::string candidate = fitted(name, "");
        for (unsigned number = 2; taken.count(candidate); ++number) {
            std::string suffix(1, '_');
            suffix += std::to_string(number);
            candidate = fitted(name, suffix);
        }
        taken.insert(candidate);
        name = std::move(candidate);
    }
    return names;
}

std::vector<FlashRegion> flashRegions(const EntryList& layout, std::uint64_t base) {
    std::vector<FlashRegion> regions;
    if (layout.frontOffset() != 0) {
        regions.push_back({kFrontRegion, base, layout.frontOffset()});
    }
    const std::vector<std::string> names = regionNames(layout);
    for (std::size_t row = 0; row < names.size(); ++row) {
        const Entry& entry = layout.entries()[row];
        if (entry.size != 0) {
            regions.push_back({names[row], base + entry.address, entry.size});
        }
    }
    return regions;
}

} // namespace zd

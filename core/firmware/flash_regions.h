// The regions of an image as the tools that program a flash by region see
// them: the front area as FRONT and every file under its C header name
// (c_header.h's headerNames, "logo.bin" -> LOGO_BIN), each at its offset in
// the flash (the image's base added). The flashrom layout (flashrom_layout.h)
// and the FMAP (fmap.h) name the same regions alike.
#pragma once

#include "core/model/entry_list.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace zd {

struct FlashRegion {
    std::string name;
    std::uint64_t offset = 0; // in the flash
    std::uint64_t size = 0;   // never 0
};

// The front area's region name; a file whose header name is FRONT takes
// the next free one, FRONT_2.
inline constexpr const char* kFrontRegion = "FRONT";

// The longest region name: an FMAP holds 32 bytes, the last a NUL.
inline constexpr std::size_t kRegionNameBytes = 31;

// The region name of every row, in row order, all different and none
// FRONT: its header name, cut to kRegionNameBytes when longer; a name already
// given gets "_2", "_3", ... (the stem cut so that the whole still fits).
std::vector<std::string> regionNames(const EntryList& layout);

// FRONT when the front offset is not 0, then every row that holds a byte,
// in row order (rows may lie in any order of addresses), each placed at
// `base` + its address.
std::vector<FlashRegion> flashRegions(const EntryList& layout, std::uint64_t base);

} // namespace zd

// The FMAP 1.1 structure that names a flash's areas, as firmware tools write
// it into images and `flashrom --fmap-file FILE -i NAME` reads it from any
// file: all little-endian,
//
//   "__FMAP__", version 1.1 (two bytes), the flash's base address (8 bytes),
//   its size (4), its name (32, NUL-padded), the number of areas (2),
//   then each area: offset (4), size (4), name (32, NUL-padded), flags (2).
//
// Written alone, as a file of its own beside the image.
#pragma once

#include "core/firmware/flash_regions.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zd {

inline constexpr std::size_t kFmapHeaderBytes = 56;
inline constexpr std::size_t kFmapAreaBytes = 42;
// The area count is 16-bit.
inline constexpr std::size_t kFmapMostAreas = 0xFFFF;
// The flash's name in the header.
inline constexpr const char* kFmapName = "FLASH";

// The FMAP of `regions` (names of at most kRegionNameBytes, offsets and
// sizes below 4 GiB; at most kFmapMostAreas), in the order of their
// offsets, for a flash of `flashSize` bytes at base address 0. The size
// field is 32-bit: 4 GiB is written as 4 GiB less a byte; and a size
// smaller than the structure itself is raised to it, as readers take a
// smaller one for no FMAP.
std::string fmapBytes(std::vector<FlashRegion> regions, std::uint64_t flashSize);

// Whether `head`, the start of a file, is the start of an FMAP.
bool isFmapBytes(std::string_view head);

} // namespace zd

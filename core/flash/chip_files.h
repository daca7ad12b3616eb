// The files flashrom is handed: its layout (the regions to write) and
// images of the chip's whole size, which flashrom 1.3 wants even when it
// writes one region of them.
#pragma once

#include "core/check/diff_writer.h"
#include "core/firmware/flash_regions.h"

#include <cstdint>
#include <string>
#include <system_error>
#include <vector>

namespace zd::flash {

// At most this many regions go to flashrom, each named on its command line.
inline constexpr std::size_t kMostRegions = 64;

// The regions to write at chip offset `at`: the runs of changed sectors
// (offsets in the image) as CHANGE1, CHANGE2, ..., the nearest joined until
// there are at most kMostRegions. flashrom then finds the sectors between
// joined runs equal in the image and the reference and leaves them as they
// are; only its check after writing reads them too.
std::vector<FlashRegion> changedRegions(std::uint64_t at, std::vector<check::SectorRun> runs);

// Part of a file of the chip: `length` bytes of the file `path` from
// `offset`, each inverted when `inverted` (bytes the chip surely does not
// hold, so that flashrom writes them).
struct ChipPiece {
    std::string path;
    std::uint64_t offset = 0;
    std::uint64_t length = 0;
    bool inverted = false;
};

// What writing a chip file came to: an error, and when it came from
// reading a piece's file (gone or changed since it was checked), that file.
struct ChipFileResult {
    std::error_code error;
    std::string unreadable; // empty: the error, if any, is the chip file's own
};

// Writes a new file at `path` of `chipSize` bytes: the pieces one after
// another from `at`, 0xFF (erased flash) everywhere else. A piece's file
// that ends early fails with std::errc::io_error.
ChipFileResult writeChipFile(const std::string& path, std::uint64_t chipSize, std::uint64_t at,
                             const std::vector<ChipPiece>& pieces);

} // namespace zd::flash

// The file info table, the one place that knows its format: the front area
// of an image opens with one 8-byte record per entry, its address then its
// size, each unsigned 32-bit little-endian. The writer encodes it, the
// checks (verify, inspect, unpack) decode it.
#pragma once

#include "core/model/entry_list.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace zd {

inline constexpr std::size_t kInfoRecordBytes = 8;

// The table is written only when there is at least one entry and the front
// offset is strictly greater than 8 bytes per entry.
bool infoTableFits(std::uint32_t frontOffset, std::uint64_t rowCount);

// The table of `list`, as the front area starts with it.
std::string infoTableBytes(const EntryList& list);

struct InfoRecord {
    std::uint32_t address = 0;
    std::uint32_t size = 0;
};

// The record in the kInfoRecordBytes bytes at `bytes`.
InfoRecord readInfoRecord(const unsigned char* bytes);

} // namespace zd

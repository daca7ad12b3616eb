// Inspect: the file info table at an image's start, with the CRC-32 of
// each row's bytes, read once from the start of the image.
#pragma once

#include "core/check/image_scan.h"

#include <cstdint>
#include <functional>
#include <string>
#include <system_error>

namespace zd::check {

// A file info table is found when the image's first record names an address
// of at least 9 and the records from there on name rows that each end by
// 4 GiB and overlap none before them, with room to spare before the lowest
// row's address F (F more than 8 per record), and every byte after them up
// to F is the same, the filler the merge writes there, but for at most 8
// damaged bytes (the front area is then damaged, and said to be). The rows
// may come in
// any order (a merge that kept an earlier layout lists them in list order
// at the addresses they kept); once a record breaks the order a merge lays
// them out in under one alignment A (a power of two up to 1 MiB; 1 for back
// to back: each address the end of the one before rounded up to a multiple
// of A), a record of eight equal bytes is taken for the filler. An image
// that ends before the table's furthest row is short, not tableless.
struct TableRow {
    std::uint64_t number = 0; // 1-based
    std::uint32_t address = 0;
    std::uint32_t size = 0;
    std::uint32_t crc = 0; // of the row's bytes in the image
};

struct InspectResult {
    enum class Status {
        Ok,
        NoTable,
        ImageTooShort,    // the table's rows end at `tableEnd`, past the image's end
        FrontAreaDamaged, // the rows were told, but the filler after the table
                          // differs at `damagedAt`
        ImageUnreadable,
        Stopped,
    };
    Status status = Status::Ok;
    std::error_code error;
    std::uint64_t imageSize = 0;
    std::uint64_t tableEnd = 0;
    std::uint32_t frontOffset = 0;
    std::uint64_t rowCount = 0;
    std::uint64_t damagedAt = 0;
};

// Calls `onRow` for every row of the table, in the table's order, as soon as
// its CRC and those of the rows before it are known; nothing is called when
// there is no table. `frontOffset` is the lowest row's address.
InspectResult inspectImage(const std::string& imagePath,
                           const std::function<void(const TableRow&)>& onRow,
                           const files::KeepGoing& keepGoing = {});

} // namespace zd::check

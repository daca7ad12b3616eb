// Laying the rows out in slots with room to grow, and keeping the layout of
// an earlier merge, so that a file that changed, and still fits its slot,
// moves nothing: every other address stays, and a flash programmer rewrites
// that file's sectors and the table's alone. Pure arithmetic on the rows and
// the earlier list file's rows; planMerge (merge.h) reads that file.
#pragma once

#include "core/model/entry_list.h"
#include "core/model/reserve.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace zd {

// A row of the earlier layout, as its list file records it.
struct EarlierRow {
    std::string path;
    std::uint32_t size = 0;
    std::uint32_t address = 0;
};

// Why the rows of an earlier list cannot be kept (two overlap, or one runs
// past 4 GiB, which no merge writes), in English; nothing when they can.
std::optional<std::string> earlierLayoutProblem(std::span<const EarlierRow> earlier);

enum class MoveReason {
    GrewPastSlot, // it matched an earlier row but no longer fits that row's slot
    New,          // no earlier row matched it
};

// A row placed after every kept slot.
struct RowMove {
    std::size_t row = 0; // in list order, from 0
    MoveReason why = MoveReason::New;
    std::uint32_t from = 0; // the earlier address, for GrewPastSlot
    std::uint32_t to = 0;
};

// What keeping a layout did: the rows that moved or came new, in list order,
// how many kept their place, and how many earlier rows no longer listed left
// their slots unused.
struct LayoutMoves {
    std::vector<RowMove> moved;
    std::size_t kept = 0;
    std::size_t removed = 0;
};

struct LayoutSettings {
    std::uint32_t frontOffset = 0;
    std::uint32_t alignment = 1; // a power of two (alignmentProblem)
    Reserve reserve{};
};

struct LayoutPlan {
    enum class Status {
        Ok,
        PastFourGiB,          // the slot of `row` would end past 4 GiB
        FrontAreaReachesKept, // `row` would keep an address inside the front area
    };
    Status status = Status::Ok;
    std::size_t row = 0;       // the row refused
    std::uint32_t address = 0; // FrontAreaReachesKept: the address it would keep
    EntryList layout;          // placed (EntryList::placed) when Ok
    LayoutMoves moves;
    bool ok() const { return status == Status::Ok; }
};

// Lays `rows` out keeping what it can of `earlier` (none: a fresh layout,
// every row new). A row matches an earlier one by its full path (the first
// earlier row of that path not yet matched), else by its file name when
// that name occurs once in each list. A matched row keeps the earlier
// address while its size fits the earlier row's slot: up to the next
// earlier address in address order, without end for the last. Every other
// row goes, in list order, after the end of every kept slot and every
// earlier row, aligned, each in a slot of its size plus its reserve rounded
// up to the alignment (without a reserve, the slot is the file, and the next
// starts at the aligned address after it, as a plain merge lays them out).
// Kept addresses stay as they are, aligned or not. `earlier` must pass
// earlierLayoutProblem.
LayoutPlan planLayout(std::span<const NewEntry> rows, std::span<const EarlierRow> earlier,
                      const LayoutSettings& settings);

} // namespace zd

#include "core/merge/layout_plan.h"

#include "core/model/listed_names.h"

#include <algorithm>
#include <numeric>
#include <string_view>
#include <unordered_map>

namespace zd {
namespace {

constexpr std::uint64_t kFourGiB = std::uint64_t{1} << 32;

// The earlier rows' indexes in address order; of rows at one address the
// empty ones first, as a merge lays them out, so that each row's slot ends
// where the next in this order starts.
std::vector<std::size_t> addressOrder(std::span<const EarlierRow> earlier) {
    std::vector<std::size_t> order(earlier.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return std::pair(earlier[a].address, earlier[a].size) <
               std::pair(earlier[b].address, earlier[b].size);
    });
    return order;
}

// The end of the slot of a row at `address` placed afresh: its size plus the
// reserve, rounded up to the alignment; without a reserve, the file's end.
std::uint64_t freshSlotEnd(std::uint64_t address, std::uint32_t size,
                           const LayoutSettings& settings) {
    const std::uint64_t end = address + size;
    return settings.reserve.any()
               ? alignedUp(end + settings.reserve.after(size), settings.alignment)
               : end;
}

// For every row, the earlier row it matches, if any (see planLayout).
std::vector<std::optional<std::size_t>> matchRows(std::span<const NewEntry> rows,
                                                  std::span<const EarlierRow> earlier) {
    std::vector<std::optional<std::size_t>> match(rows.size());
    // Earlier rows by path, each list in earlier order, consumed from the front.
    std::unordered_map<std::string_view, std::vector<std::size_t>> byPath;
    for (std::size_t e = earlier.size(); e-- > 0;) {
        byPath[earlier[e].path].push_back(e);
    }
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const auto found = byPath.find(rows[r].path);
        if (found != byPath.end() && !found->second.empty()) {
            match[r] = found->second.back();
            found->second.pop_back();
        }
    }
    // A file name that occurs once in each list: the same file, moved. (Its
    // earlier row is free: a row matched by path would bear the name too.)
    std::unordered_map<std::string_view, std::size_t> rowNames, earlierNames;
    std::unordered_map<std::string_view, std::size_t> earlierByName;
    for (const NewEntry& row : rows) {
        ++rowNames[fileNameOf(row.path)];
    }
    for (std::size_t e = 0; e < earlier.size(); ++e) {
        const std::string_view name = fileNameOf(earlier[e].path);
        ++earlierNames[name];
        earlierByName[name] = e;
    }
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const std::string_view name = fileNameOf(rows[r].path);
        if (!match[r] && rowNames[name] == 1 && earlierNames[name] == 1) {
            match[r] = earlierByName[name];
        }
    }
    return match;
}

} // namespace

std::optional<std::string> earlierLayoutProblem(std::span<const EarlierRow> earlier) {
    const std::vector<std::size_t> order = addressOrder(earlier);
    for (std::size_t k = 0; k < order.size(); ++k) {
        const EarlierRow& row = earlier[order[k]];
        const std::uint64_t end = std::uint64_t{row.address} + row.size;
        if (end > kFourGiB) {
            return "row " + std::to_string(order[k] + 1) + " ends past 4 GiB";
        }
        if (k + 1 < order.size() && end > earlier[order[k + 1]].address) {
            const auto [first, second] = std::minmax(order[k], order[k + 1]);
            return "rows " + std::to_string(first + 1) + " and " + std::to_string(second + 1) +
                   " overlap";
        }
    }
    return std::nullopt;
}

LayoutPlan planLayout(std::span<const NewEntry> rows, std::span<const EarlierRow> earlier,
                      const LayoutSettings& settings) {
    LayoutPlan plan;
    const std::vector<std::size_t> order = addressOrder(earlier);
    // Each earlier row's slot end: the next earlier address; none for the last.
    std::vector<std::optional<std::uint64_t>> earlierSlotEnd(earlier.size());
    for (std::size_t k = 0; k + 1 < order.size(); ++k) {
        earlierSlotEnd[order[k]] = earlier[order[k + 1]].address;
    }
    const std::vector<std::optional<std::size_t>> match = matchRows(rows, earlier);

    std::vector<Entry> entries(rows.size());
    std::vector<std::uint64_t> slotEnds(rows.size(), 0);
    std::vector<bool> placed(rows.size(), false);
    // Moved and new rows start past every kept slot and every earlier row.
    std::uint64_t far = settings.frontOffset;
    for (const EarlierRow& row : earlier) {
        far = std::max(far, std::uint64_t{row.address} + row.size);
    }
    std::vector<bool> matched(earlier.size(), false);
    for (std::size_t r = 0; r < rows.size(); ++r) {
        entries[r] = {rows[r].path, rows[r].size, 0, dataFormatOf(rows[r].path)};
        if (!match[r]) {
            continue;
        }
        const std::size_t e = *match[r];
        matched[e] = true;
        const EarlierRow& before = earlier[e];
        const std::optional<std::uint64_t>& slotEnd = earlierSlotEnd[e];
        if (slotEnd && before.address + std::uint64_t{rows[r].size} > *slotEnd) {
            continue; // grew past its slot
        }
        if (before.address < settings.frontOffset) {
            plan.status = LayoutPlan::Status::FrontAreaReachesKept;
            plan.row = r;
            plan.address = before.address;
            return plan;
        }
        entries[r].address = before.address;
        // The last earlier row's slot has no end: it takes its reserve now.
        slotEnds[r] = slotEnd ? *slotEnd : freshSlotEnd(before.address, rows[r].size, settings);
        if (slotEnds[r] > kFourGiB) {
            plan.status = LayoutPlan::Status::PastFourGiB;
            plan.row = r;
            return plan;
        }
        placed[r] = true;
        far = std::max(far, slotEnds[r]);
        ++plan.moves.kept;
    }
    plan.moves.removed =
        static_cast<std::size_t>(std::count(matched.begin(), matched.end(), false));
    for (std::size_t r = 0; r < rows.size(); ++r) {
        if (placed[r]) {
            continue;
        }
        const std::uint64_t address = alignedUp(far, settings.alignment);
        slotEnds[r] = freshSlotEnd(address, rows[r].size, settings);
        if (address >= kFourGiB || slotEnds[r] > kFourGiB) {
            plan.status = LayoutPlan::Status::PastFourGiB;
            plan.row = r;
            return plan;
        }
        entries[r].address = static_cast<std::uint32_t>(address);
        far = slotEnds[r];
        plan.moves.moved.push_back({r, match[r] ? MoveReason::GrewPastSlot : MoveReason::New,
                                    match[r] ? earlier[*match[r]].address : 0u,
                                    entries[r].address});
    }
    plan.layout = EntryList::placed(settings.frontOffset, settings.alignment, std::move(entries),
                                    std::move(slotEnds));
    return plan;
}

} // namespace zd

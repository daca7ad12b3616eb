// The layout planner on random lists, sizes and earlier layouts: no crash;
// an earlier layout is refused exactly when its rows end past 4 GiB; a plan
// it makes has no two rows (nor two slots) that overlap, no row in the front
// area, each row inside its slot and every slot by 4 GiB; a file found once
// in each list by its path keeps its earlier address exactly when it fits
// its earlier slot and lies past the front area, and is reported moved
// otherwise; the counts add up; and without an earlier layout or a reserve
// the rows lie where the entry list lays them.
//
// The input is read as bytes: the front offset, the alignment and the
// reserve, then the earlier rows (each a name from a small pool, a size and
// the gap before it, shuffled), then the rows (a name and a size).

#include "core/merge/layout_plan.h"
#include "fuzz/fuzz_check.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <tuple>
#include <vector>

namespace {

constexpr std::uint64_t kFourGiB = std::uint64_t{1} << 32;

// Names that meet by path, by file name alone, or not at all.
const char* const kNames[] = {"/p/a.bin", "/p/b.bin", "/q/a.bin", "/q/c.bin", "/r/d", "/r/e"};

class Bytes {
  public:
    Bytes(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    std::uint8_t byte() { return at_ < size_ ? data_[at_++] : 0; }
    // A number of any magnitude below 4 GiB, small ones most often.
    std::uint32_t number() {
        const unsigned shift = byte() % 24;
        const std::uint64_t high = byte();
        const std::uint64_t mantissa = high << 8 | byte();
        return static_cast<std::uint32_t>(std::min<std::uint64_t>(mantissa << shift, kFourGiB - 1));
    }

  private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

void checkPlan(const std::vector<zd::NewEntry>& rows, const std::vector<zd::EarlierRow>& earlier,
               const zd::LayoutSettings& settings, const zd::LayoutPlan& plan) {
    using zd::LayoutPlan;
    std::map<std::string, int> rowPaths, earlierPaths;
    for (const zd::NewEntry& row : rows) {
        ++rowPaths[row.path];
    }
    for (const zd::EarlierRow& row : earlier) {
        ++earlierPaths[row.path];
    }
    // The one earlier row of a path found once in each list, and its slot's end.
    const auto earlierOf = [&](const std::string& path) -> const zd::EarlierRow* {
        if (rowPaths[path] != 1 || earlierPaths[path] != 1) {
            return nullptr;
        }
        return &*std::find_if(earlier.begin(), earlier.end(),
                              [&](const zd::EarlierRow& row) { return row.path == path; });
    };
    // Rows at one address lie in (size, list) order.
    const auto slotEndOf = [&](const zd::EarlierRow& row) {
        std::uint64_t end = kFourGiB + 1; // none
        for (const zd::EarlierRow& other : earlier) {
            if (std::tuple(other.address, other.size, &other) >
                std::tuple(row.address, row.size, &row)) {
                end = std::min<std::uint64_t>(end, other.address);
            }
        }
        return end;
    };
    if (plan.status == LayoutPlan::Status::FrontAreaReachesKept) {
        const zd::EarlierRow* before = earlierOf(rows.at(plan.row).path);
        ZD_FUZZ_CHECK(plan.address < settings.frontOffset);
        ZD_FUZZ_CHECK(!before || before->address == plan.address);
        return;
    }
    if (plan.status != LayoutPlan::Status::Ok) {
        return;
    }
    const zd::EntryList& layout = plan.layout;
    ZD_FUZZ_CHECK(layout.isPlaced() && layout.entries().size() == rows.size());
    ZD_FUZZ_CHECK(layout.slotEnds().size() == rows.size() && layout.layoutEnd() <= kFourGiB);
    ZD_FUZZ_CHECK(plan.moves.kept + plan.moves.moved.size() == rows.size());
    ZD_FUZZ_CHECK(plan.moves.removed <= earlier.size());
    std::vector<bool> moved(rows.size(), false);
    for (const zd::RowMove& move : plan.moves.moved) {
        ZD_FUZZ_CHECK(move.row < rows.size() && !moved[move.row]);
        ZD_FUZZ_CHECK(layout.entries()[move.row].address == move.to);
        moved[move.row] = true;
    }
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const zd::Entry& entry = layout.entries()[r];
        const std::uint64_t end = std::uint64_t{entry.address} + entry.size;
        ZD_FUZZ_CHECK(entry.path == rows[r].path && entry.size == rows[r].size);
        ZD_FUZZ_CHECK(entry.address >= settings.frontOffset);
        ZD_FUZZ_CHECK(end <= layout.slotEnds()[r] && layout.slotEnds()[r] <= kFourGiB);
        for (std::size_t o = r + 1; o < rows.size(); ++o) {
            const zd::Entry& other = layout.entries()[o];
            const std::uint64_t otherEnd = std::uint64_t{other.address} + other.size;
            ZD_FUZZ_CHECK(!(other.address < end && entry.address < otherEnd));
            ZD_FUZZ_CHECK(
                !(other.address < layout.slotEnds()[r] && entry.address < layout.slotEnds()[o]));
        }
        if (const zd::EarlierRow* before = earlierOf(rows[r].path)) {
            const bool fits = before->address + std::uint64_t{rows[r].size} <= slotEndOf(*before);
            ZD_FUZZ_CHECK(fits == !moved[r]);
            ZD_FUZZ_CHECK(!fits || entry.address == before->address);
        }
    }
    if (earlier.empty() && !settings.reserve.any()) {
        zd::EntryList list;
        list.setFrontOffset(settings.frontOffset);
        list.setAlignment(settings.alignment);
        list.recomputeLayout();
        list.appendEntries(rows);
        ZD_FUZZ_CHECK(list.layoutEnd() == layout.layoutEnd());
        for (std::size_t r = 0; r < rows.size(); ++r) {
            ZD_FUZZ_CHECK(list.entries()[r].address == layout.entries()[r].address);
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Bytes bytes(data, size);
    zd::LayoutSettings settings;
    settings.frontOffset = bytes.number();
    settings.alignment = std::uint32_t{1} << (bytes.byte() % 21);
    const std::uint8_t kind = bytes.byte();
    settings.reserve = kind % 3 == 0   ? zd::Reserve{}
                       : kind % 3 == 1 ? zd::Reserve{bytes.number()}
                                       : zd::Reserve{bytes.byte() * 4u % 1001, true};
    // Earlier rows one after another, each after a gap, then shuffled; none
    // starts past 4 GiB, the last may end past it.
    std::vector<zd::EarlierRow> earlier;
    std::uint64_t at = bytes.number();
    bool pastFourGiB = false;
    for (int count = bytes.byte() % 10; count > 0 && at < kFourGiB; --count) {
        zd::EarlierRow row{kNames[bytes.byte() % std::size(kNames)], bytes.number(),
                           static_cast<std::uint32_t>(at)};
        pastFourGiB = pastFourGiB || at + row.size > kFourGiB;
        at += std::uint64_t{row.size} + (bytes.byte() % 2 ? bytes.number() : 0);
        earlier.push_back(std::move(row));
    }
    for (std::size_t i = earlier.size(); i > 1; --i) {
        std::swap(earlier[i - 1], earlier[bytes.byte() % i]);
    }
    const auto problem = zd::earlierLayoutProblem(earlier);
    ZD_FUZZ_CHECK(problem.has_value() == pastFourGiB);
    if (problem) {
        return 0;
    }
    std::vector<zd::NewEntry> rows(bytes.byte() % 10);
    for (zd::NewEntry& row : rows) {
        row.path = kNames[bytes.byte() % std::size(kNames)];
        row.size = bytes.number();
    }
    checkPlan(rows, earlier, settings, zd::planLayout(rows, earlier, settings));
    return 0;
}

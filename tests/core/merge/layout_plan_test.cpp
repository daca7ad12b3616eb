// Slots with room to grow and the layout of an earlier merge kept: the
// reserve as typed and as added, fresh layouts with and without it, which
// earlier row each row matches, what keeps its place and what moves, and
// the layouts refused.
#include "core/merge/layout_plan.h"

#include <gtest/gtest.h>

namespace zd {
namespace {

using Addresses = std::vector<std::uint32_t>;
using Ends = std::vector<std::uint64_t>;

Addresses addressesOf(const EntryList& list) {
    Addresses addresses;
    for (const Entry& entry : list.entries()) {
        addresses.push_back(entry.address);
    }
    return addresses;
}

// A move as one comparable line: row, why, from, to.
std::string movesOf(const LayoutPlan& plan) {
    std::string text;
    for (const RowMove& move : plan.moves.moved) {
        text += std::to_string(move.row) + (move.why == MoveReason::New ? " new " : " grew ") +
                std::to_string(move.from) + ">" + std::to_string(move.to) + ";";
    }
    return text;
}

const std::vector<NewEntry> kRows{{"/r/a.bin", 1000}, {"/r/b.bin", 3000}, {"/r/c.bin", 0}};

// A reserve is a byte count as the front offset takes it, or a whole
// percentage of each size rounded up; each slot is its size plus its
// reserve rounded up to the alignment, the last one too. Without a reserve
// the layout is the list's own, to the byte.
TEST(SlotLayout, TheReserveAddsRoomToEverySlot) {
    const std::pair<const char*, std::optional<Reserve>> typed[] = {
        {"4096", Reserve{4096}},    {"4K", Reserve{4096}},
        {"0x10", Reserve{16}},      {"0xFFFFFFFF", Reserve{4294967295u}},
        {"25%", Reserve{25, true}}, {"1000%", Reserve{1000, true}},
        {"0%", Reserve{0, true}},   {"4096M", std::nullopt},
        {"1001%", std::nullopt},    {"25.5%", std::nullopt},
        {"%", std::nullopt},        {"+5%", std::nullopt},
        {"-1", std::nullopt},       {"", std::nullopt},
        {"x%", std::nullopt},
    };
    for (const auto& [text, reserve] : typed) {
        EXPECT_EQ(parseReserve(text), reserve) << text;
        if (reserve) {
            EXPECT_EQ(parseReserve(reserveText(*reserve)), reserve) << text;
        }
    }
    EXPECT_FALSE(Reserve({0, true}).any());
    const Reserve quarter{25, true};
    EXPECT_EQ(quarter.after(10), 3u); // 2.5, rounded up
    EXPECT_EQ(quarter.after(100), 25u);
    EXPECT_EQ(quarter.after(0), 0u);
    EXPECT_EQ(Reserve{4096}.after(7), 4096u);
    EXPECT_EQ(Reserve({1000, true}).after(0xFFFFFFFFu), 42949672950u);

    const auto fresh = [](std::uint32_t alignment, Reserve reserve) {
        const LayoutPlan plan = planLayout(kRows, {}, {100, alignment, reserve});
        EXPECT_TRUE(plan.ok() && plan.layout.isPlaced() && plan.moves.moved.size() == 3);
        return std::tuple(addressesOf(plan.layout), plan.layout.slotEnds(),
                          plan.layout.layoutEnd());
    };
    using Layout = std::tuple<Addresses, Ends, std::uint64_t>;
    EXPECT_EQ(fresh(1, {25, true}), Layout({100, 1350, 5100}, {1350, 5100, 5100}, 5100));
    EXPECT_EQ(fresh(4096, {25, true}), Layout({4096, 8192, 12288}, {8192, 12288, 12288}, 12288));
    EXPECT_EQ(fresh(1, {512}), Layout({100, 1612, 5124}, {1612, 5124, 5636}, 5636));
    for (const std::uint32_t alignment : {1u, 4096u}) {
        EntryList list;
        list.setFrontOffset(100);
        list.setAlignment(alignment);
        list.recomputeLayout();
        list.appendEntries(kRows);
        const auto [addresses, ends, end] = fresh(alignment, {});
        EXPECT_EQ(addresses, addressesOf(list)) << alignment;
        EXPECT_EQ(end, list.layoutEnd()) << alignment;
        EXPECT_EQ(ends.back(), list.layoutEnd()) << alignment;
    }
    // A placed layout laid out again is the list's own once more.
    EntryList placed = planLayout(kRows, {}, {100, 1, {512}}).layout;
    placed.recomputeLayout();
    EXPECT_TRUE(!placed.isPlaced() && placed.slotEnds().empty() && placed.layoutEnd() == 4100);
}

// The earlier layout of the 25 % fresh one above: a file that still fits
// its slot keeps its address (the last slot has no end), one that does not
// goes after every slot and every earlier file, aligned with its reserve;
// removed files leave their slots; kept addresses stay unaligned.
TEST(SlotLayout, FilesThatFitKeepTheirPlace) {
    const std::vector<EarlierRow> earlier{
        {"/r/a.bin", 1000, 4096}, {"/r/b.bin", 3000, 8192}, {"/r/c.bin", 0, 12288}};
    const LayoutSettings settings{100, 4096, {25, true}};
    const auto plan = [&](std::vector<NewEntry> rows) {
        return planLayout(rows, earlier, settings);
    };

    const LayoutPlan grown = plan({{"/r/a.bin", 4096}, {"/r/b.bin", 4096}, {"/r/c.bin", 70000}});
    EXPECT_EQ(addressesOf(grown.layout), (Addresses{4096, 8192, 12288}));
    EXPECT_EQ(grown.layout.slotEnds(), (Ends{8192, 12288, 102400}));
    EXPECT_TRUE(grown.moves.moved.empty() && grown.moves.kept == 3 && grown.moves.removed == 0);

    const LayoutPlan past = plan({{"/r/a.bin", 4097}, {"/r/b.bin", 3000}, {"/r/c.bin", 0}});
    EXPECT_EQ(addressesOf(past.layout), (Addresses{12288, 8192, 12288}));
    EXPECT_EQ(past.layout.slotEnds(), (Ends{20480, 12288, 12288}));
    EXPECT_EQ(movesOf(past), "0 grew 4096>12288;");
    EXPECT_EQ(past.moves.kept, 2u);

    // b kept, its slot up to c's address; a and c gone; a new file after
    // every earlier one, a grown one after it.
    const LayoutPlan changed = plan({{"/r/n.bin", 10}, {"/r/b.bin", 4097}});
    EXPECT_EQ(addressesOf(changed.layout), (Addresses{12288, 16384}));
    EXPECT_EQ(movesOf(changed), "0 new 0>12288;1 grew 8192>16384;");
    EXPECT_TRUE(changed.moves.kept == 0 && changed.moves.removed == 2);

    // Matched by full path first (the first unused of equal paths), else by
    // a file name found once in each list; kept at an address no alignment
    // gives; an empty row at another's address has an empty slot.
    const std::vector<EarlierRow> odd{{"/r/d.bin", 10, 5000},  {"/r/d.bin", 10, 5010},
                                      {"/old/x.bin", 5, 5100}, {"/r/y.bin", 5, 5200},
                                      {"/r/e", 0, 5300},       {"/r/f", 100, 5300}};
    const LayoutPlan matched = planLayout(std::vector<NewEntry>{{"/r/d.bin", 10},
                                                                {"/new/x.bin", 5},
                                                                {"/r/d.bin", 10},
                                                                {"/p/y.bin", 5},
                                                                {"/q/y.bin", 5},
                                                                {"/r/e", 1},
                                                                {"/r/f", 100}},
                                          odd, settings);
    EXPECT_EQ(addressesOf(matched.layout), (Addresses{5000, 5100, 5010, 8192, 12288, 16384, 5300}));
    EXPECT_EQ(movesOf(matched), "3 new 0>8192;4 new 0>12288;5 grew 5300>16384;");
    EXPECT_TRUE(matched.moves.kept == 4 && matched.moves.removed == 1);
}

// Refused: a kept file inside the front area, a slot past 4 GiB (a kept
// last one with its reserve, or a row that would start at 4 GiB), and
// earlier rows that overlap or end past 4 GiB.
TEST(SlotLayout, LayoutsThatCannotBe) {
    const std::vector<EarlierRow> earlier{{"/r/a.bin", 1000, 4096}, {"/r/b.bin", 3000, 8192}};
    const LayoutPlan front =
        planLayout(std::vector<NewEntry>{{"/r/b.bin", 1}, {"/r/a.bin", 1}}, earlier, {4097, 1, {}});
    EXPECT_TRUE(front.status == LayoutPlan::Status::FrontAreaReachesKept && front.row == 1 &&
                front.address == 4096);
    EXPECT_TRUE(planLayout(std::vector<NewEntry>{{"/r/a.bin", 1}}, earlier, {4096, 1, {}}).ok());

    const std::vector<EarlierRow> top{{"/r/z", 0x1000, 0xFFFFF000u}};
    const auto status = [&](std::vector<NewEntry> rows, Reserve reserve) {
        const LayoutPlan plan = planLayout(rows, top, {0, 4096, reserve});
        return std::pair(plan.status, plan.row);
    };
    using enum LayoutPlan::Status;
    EXPECT_EQ(status({{"/r/z", 0x1000}}, {}), std::pair(Ok, std::size_t{0}));
    EXPECT_EQ(status({{"/r/z", 0x1000}}, {1}), std::pair(PastFourGiB, std::size_t{0}));
    EXPECT_EQ(status({{"/r/z", 0x800}, {"/n", 0}}, {}), std::pair(PastFourGiB, std::size_t{1}));
    EXPECT_EQ(planLayout(std::vector<NewEntry>{{"/n", 0x1000}}, {}, {0xFFFFF000u, 1, {1}}).status,
              PastFourGiB);

    const std::pair<std::vector<EarlierRow>, std::optional<std::string>> lists[] = {
        {{{"/a", 10, 100}, {"/b", 10, 110}, {"/e", 0, 110}, {"/f", 0, 120}}, std::nullopt},
        {{{"/a", 10, 100}, {"/b", 10, 109}}, "rows 1 and 2 overlap"},
        {{{"/b", 10, 109}, {"/e", 0, 105}, {"/a", 10, 100}}, "rows 2 and 3 overlap"},
        {{{"/a", 0x1001, 0xFFFFF000u}}, "row 1 ends past 4 GiB"},
        {{{"/a", 0x1000, 0xFFFFF000u}}, std::nullopt}, // at 4 GiB exactly
    };
    for (const auto& [rows, problem] : lists) {
        EXPECT_EQ(earlierLayoutProblem(rows), problem) << rows.size();
    }
}

} // namespace
} // namespace zd

// The entry list's layout and what a view is told of it, and the numbers
// that set it as the user types them and as list files and the command line
// hold them.
#include "core/model/entry_list.h"
#include "core/model/number_parse.h"

#include <gtest/gtest.h>

namespace zd {
namespace {

using Addresses = std::vector<std::uint32_t>;

Addresses addressesOf(const EntryList& list) {
    Addresses addresses;
    for (const Entry& entry : list.entries()) {
        addresses.push_back(entry.address);
    }
    return addresses;
}

// What a view is told: "+first-last" before rows come, "+;" after, the
// same with "-" for removals, "~first-last" for rows changed in place.
struct Notices : EntryListObserver {
    void rowsAboutToBeInserted(int first, int last) override { note("+", first, last); }
    void rowsInserted() override { log += "+;"; }
    void rowsAboutToBeRemoved(int first, int last) override { note("-", first, last); }
    void rowsRemoved() override { log += "-;"; }
    void rowsChanged(int first, int last) override { note("~", first, last); }
    void note(const char* kind, int first, int last) {
        log += kind + std::to_string(first) + "-" + std::to_string(last) + " ";
    }
    std::string log;
};

// Appends continue from the capacity; removals, swaps and a new offset take
// effect at the next recompute. Sums wrap at 2^32, and sizes above 2^31 stay
// exact (a size read as 2147483647 would shift every later address). A view
// is told of every change once, with the rows it touches.
TEST(EntryListLayout, AppendRecomputeAndWrap) {
    EntryList list;
    Notices notices;
    list.setObserver(&notices);
    list.setFrontOffset(4097);
    list.recomputeLayout();
    list.appendEntry("/a.bin", 10, ".bin");
    list.appendEntries(std::vector<NewEntry>{{"/e.jpg", 100}, {"/f", 1}});
    list.appendEntries({});
    EXPECT_EQ(addressesOf(list), (Addresses{4097, 4107, 4207}));

    list.removeRow(0);
    list.swapRows(1, 0);
    list.setFrontOffset(5);
    list.recomputeLayout();
    EXPECT_EQ(addressesOf(list), (Addresses{5, 6}));
    EXPECT_EQ(list.imageCapacity(), 106u);
    EXPECT_EQ(notices.log, "+0-0 +;+1-2 +;-0-0 -;~0-1 ~0-1 ");

    list.appendEntry("/video.avi", 3221225472u, ".avi");
    list.appendEntry("/after", 1073741824u, "");
    EXPECT_EQ(addressesOf(list), (Addresses{5, 6, 106, 3221225578u}));
    EXPECT_EQ(list.imageCapacity(), 106u);
    const std::vector<std::string> cells = {"3", "/video.avi", "3221225472", "106", ".avi"};
    for (int column = 0; column < kColumnCount; ++column) {
        EXPECT_EQ(list.cellText(2, static_cast<Column>(column)), cells[column]);
    }
    notices.log.clear();
    list.clear();
    list.removeAll();
    EXPECT_TRUE(list.empty() && list.frontOffset() == 0 && list.imageCapacity() == 0);
    EXPECT_EQ(notices.log, "-0-3 -;");
}

// An alignment is a power of two from 1 to 1M; each row then starts at a
// multiple of it, the gaps before rows counted in the capacity.
TEST(EntryListLayout, Alignment) {
    for (const std::uint64_t good : {1u, 2u, 1u << 20}) {
        EXPECT_FALSE(alignmentProblem(good)) << good;
    }
    for (const std::uint64_t bad : {0u, 3u, 12u, 1u << 21}) {
        EXPECT_TRUE(alignmentProblem(bad)) << bad;
    }
    EntryList list;
    list.setFrontOffset(5);
    list.setAlignment(4);
    list.recomputeLayout();
    list.appendEntries(std::vector<NewEntry>{{"/a", 3}, {"/b", 1}, {"/c", 4}});
    EXPECT_EQ(addressesOf(list), (Addresses{8, 12, 16}));
    EXPECT_EQ(list.imageCapacity(), 20u);
}

TEST(DataFormatOf, TakesTheExtensionOfTheFileNameOnly) {
    // clang-format off
    const std::pair<const char*, const char*> cases[] = {
        {"/img/LOGO.BIN", ".BIN"}, {"/f/font.old.dot", ".dot"}, {"/rel1.2/readme", ""},
        {"D:\\rel1.2\\readme", ""}, {"/n/.hidden", ".hidden"}};
    // clang-format on
    for (const auto& [path, format] : cases) {
        EXPECT_EQ(dataFormatOf(path), format) << path;
    }
}

// The apply button's loose form: blanks, a sign, C's bases, the rest ignored,
// clamped to 32 bits. A list file's count: decimal only, nothing past 32 bits.
// (The fuzz corpus replay holds the common forms: "4096", "-1", "08", "0x"...)
TEST(NumberParse, FrontOffsetAndCount) {
    // clang-format off
    const std::pair<const char*, std::uint32_t> offsets[] = {
        {"0XfFfF", 65535u}, {"010", 8u}, {"", 0u}, {"\v\f\r\n\t 7", 7u}, {"0x100000000", 4294967295u}};
    const std::pair<const char*, std::optional<std::uint32_t>> counts[] = {
        {" 1234", 1234u}, {"+12", 12u}, {"4294967295", 4294967295u}, {"010", 10u},
        {"4294967296", std::nullopt}, {" abc", std::nullopt}, {"+", std::nullopt}};
    // clang-format on
    for (const auto& [text, expected] : offsets) {
        EXPECT_EQ(parseFrontOffset(text), expected) << '"' << text << '"';
    }
    for (const auto& [text, expected] : counts) {
        EXPECT_EQ(parseCount(text), expected) << '"' << text << '"';
    }
}

// The command line's strict form: the whole text is the number, with an
// optional K or M; a value past 64 bits saturates so that it reads as too
// large, not as malformed.
TEST(NumberParse, ByteCount) {
    constexpr std::uint64_t kSaturated = ~std::uint64_t{0};
    // clang-format off
    const std::pair<const char*, std::optional<std::uint64_t>> cases[] = {
        {"0x9", 9u}, {"0XfF", 255u}, {"010", 8u}, {"0", 0u}, {"00", 0u}, {"0x0", 0u},
        {"4K", 4096u}, {"4k", 4096u}, {"1M", 1048576u}, {"3m", 3145728u}, {"4096M", 4294967296u},
        {"99999999999999999999", kSaturated}, {"17592186044416M", kSaturated},
        {"18014398509481983K", 18446744073709550592u}, {"", std::nullopt}, {" 1", std::nullopt},
        {"+1", std::nullopt}, {"12abc", std::nullopt}, {"4G", std::nullopt}, {"4KB", std::nullopt},
        {"K", std::nullopt}};
    // clang-format on
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(parseByteCount(text), expected) << '"' << text << '"';
    }
}

} // namespace
} // namespace zd

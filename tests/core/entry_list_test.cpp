#include "entry_list.h"

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

// Appends continue from the capacity; removals, swaps and a new offset take
// effect at the next recompute. Sums wrap at 2^32, and sizes above 2^31 stay
// exact (a size read as 2147483647 would shift every later address).
TEST(EntryListLayout, AppendRecomputeAndWrap) {
    EntryList list;
    list.setFrontOffset(4097);
    list.recomputeLayout();
    list.appendEntry("/a.bin", 10, ".bin");
    list.appendEntries(std::vector<NewEntry>{{"/e.jpg", 100}, {"/f", 1}});
    EXPECT_EQ(addressesOf(list), (Addresses{4097, 4107, 4207}));

    list.removeRow(0);
    list.swapRows(0, 1);
    list.setFrontOffset(5);
    list.recomputeLayout();
    EXPECT_EQ(list.at(0).path, "/f");
    EXPECT_EQ(addressesOf(list), (Addresses{5, 6}));
    EXPECT_EQ(list.imageCapacity(), 106u);

    list.appendEntry("/video.avi", 3221225472u, ".avi");
    list.appendEntry("/after", 1073741824u, "");
    EXPECT_EQ(list.cellText(2, Column::Size), "3221225472");
    EXPECT_EQ(addressesOf(list), (Addresses{5, 6, 106, 3221225578u}));
    EXPECT_EQ(list.imageCapacity(), 106u);
    list.removeRow(0);
    list.recomputeLayout();
    EXPECT_EQ(addressesOf(list), (Addresses{5, 105, 3221225577u}));
    EXPECT_EQ(list.imageCapacity(), 105u);
}

TEST(DataFormatOf, TakesTheExtensionOfTheFileNameOnly) {
    const std::pair<const char*, const char*> cases[] = {
        {"/img/LOGO.BIN", ".BIN"}, {"/f/font.old.dot", ".dot"}, {"/rel1.2/readme", ""},
        {"D:\\rel1.2\\readme", ""}, {"/n/.hidden", ".hidden"},
    };
    for (const auto& [path, format] : cases) {
        EXPECT_EQ(dataFormatOf(path), format) << path;
    }
}

} // namespace
} // namespace zd

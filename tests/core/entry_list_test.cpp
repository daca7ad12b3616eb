#include "entry_list.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

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

EntryList listAt(std::uint32_t frontOffset) {
    EntryList list;
    list.setFrontOffset(frontOffset);
    list.recomputeLayout();
    return list;
}

// Appends continue from the capacity; removals and swaps take effect on the
// addresses only at the next recompute, as the commands rely on.
TEST(EntryListLayout, AppendRemoveSwapAndOffsetChange) {
    EntryList list = listAt(4097);
    list.appendEntry("/img/a.bin", 10, ".bin");
    list.appendEntry("/img/empty", 0, "");
    list.appendEntries(std::vector<NewEntry>{{"/x/e.jpg", 100}, {"/x/f", 1}});
    EXPECT_EQ(addressesOf(list), (Addresses{4097, 4107, 4107, 4207}));
    EXPECT_EQ(list.imageCapacity(), 4208u);
    EXPECT_EQ(list.cellText(2, Column::Number), "3");
    EXPECT_EQ(list.cellText(2, Column::FileName), "/x/e.jpg");
    EXPECT_EQ(list.cellText(2, Column::Size), "100");
    EXPECT_EQ(list.cellText(2, Column::Address), "4107");
    EXPECT_EQ(list.cellText(2, Column::DataFormat), ".jpg");
    EXPECT_EQ(list.at(3).dataFormat, "");

    list.removeRow(0);
    EXPECT_EQ(list.imageCapacity(), 4198u);
    list.swapRows(0, 1);
    list.setFrontOffset(0);
    list.recomputeLayout();
    EXPECT_EQ(list.at(0).path, "/x/e.jpg");
    EXPECT_EQ(list.cellText(0, Column::Number), "1");
    EXPECT_EQ(addressesOf(list), (Addresses{0, 100, 100}));

    list.setFrontOffset(4096);
    list.removeAll();
    EXPECT_EQ(list.imageCapacity(), 4096u);
    list.appendEntry("/d", 7, "");
    list.clear();
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(list.frontOffset(), 0u);
    EXPECT_EQ(list.imageCapacity(), 0u);
}

TEST(EntryListLayout, SumsWrapModulo2To32) {
    EntryList list = listAt(4294963200u);
    list.appendEntry("/big", 8192, "");
    EXPECT_EQ(list.imageCapacity(), 4096u);
    list.recomputeLayout();
    EXPECT_EQ(list.imageCapacity(), 4096u);

    EntryList lowered = listAt(100);
    lowered.appendEntry("/max", 4294967295u, "");
    EXPECT_EQ(lowered.imageCapacity(), 99u);
    lowered.removeRow(0);
    EXPECT_EQ(lowered.imageCapacity(), 100u);
}

// A 3 GiB file must not be read back as 2147483647, or later addresses shift.
TEST(EntryListLayout, SizesAbove2GiBStayExact) {
    constexpr std::uint32_t kThreeGiB = 3221225472u;
    EntryList list = listAt(0);
    list.appendEntry("/video.avi", kThreeGiB, ".avi");
    list.appendEntry("/after.bin", 10, ".bin");
    EXPECT_EQ(list.cellText(0, Column::Size), "3221225472");
    EXPECT_EQ(list.cellText(1, Column::Address), "3221225472");
    list.swapRows(0, 1);
    list.recomputeLayout();
    EXPECT_EQ(list.imageCapacity(), kThreeGiB + 10u);
    list.removeRow(1);
    EXPECT_EQ(list.imageCapacity(), 10u);
}

TEST(DataFormatOf, TakesTheExtensionOfTheFileNameOnly) {
    const std::pair<const char*, const char*> cases[] = {
        {"/img/LOGO.BIN", ".BIN"},     {"/fonts/font.old.dot", ".dot"}, {"/rel1.2/readme", ""},
        {"D:\\rel1.2\\readme", ""},    {"/notes/.hidden", ".hidden"},   {"/dir/trailing.", "."},
        {"", ""},
    };
    for (const auto& [path, format] : cases) {
        EXPECT_EQ(dataFormatOf(path), format) << path;
    }
}

} // namespace
} // namespace zd

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

// Records each notice with the row count at that moment: "about to" must come
// before and "done" after each change, as Qt's models require.
class RecordingObserver : public EntryListObserver {
public:
    explicit RecordingObserver(const EntryList& list) : list_(list) {}
    void rowsAboutToBeInserted(int first, int last) override { note("insert?", first, last); }
    void rowsInserted() override { note("inserted"); }
    void rowsAboutToBeRemoved(int first, int last) override { note("remove?", first, last); }
    void rowsRemoved() override { note("removed"); }
    void rowsChanged(int first, int last) override { note("changed", first, last); }
    std::vector<std::string> take() { return std::exchange(events_, {}); }

private:
    void note(std::string text, int first = -1, int last = -1) {
        if (first >= 0) {
            text += " " + std::to_string(first) + "-" + std::to_string(last);
        }
        events_.push_back(text + " n=" + std::to_string(list_.rowCount()));
    }
    const EntryList& list_;
    std::vector<std::string> events_;
};

TEST(EntryListObserver, NoticesBracketEveryChange) {
    using Events = std::vector<std::string>;
    EntryList list;
    RecordingObserver observer(list);
    list.setObserver(&observer);
    list.appendEntry("/a", 1, "");
    EXPECT_EQ(observer.take(), (Events{"insert? 0-0 n=0", "inserted n=1"}));
    list.appendEntries(std::vector<NewEntry>{{"/b", 2}, {"/c", 3}});
    EXPECT_EQ(observer.take(), (Events{"insert? 1-2 n=1", "inserted n=3"}));
    list.swapRows(2, 0);
    EXPECT_EQ(observer.take(), (Events{"changed 0-2 n=3"}));
    list.recomputeLayout();
    EXPECT_EQ(observer.take(), (Events{"changed 0-2 n=3"}));
    list.removeRow(1);
    EXPECT_EQ(observer.take(), (Events{"remove? 1-1 n=3", "removed n=2"}));
    list.removeAll();
    EXPECT_EQ(observer.take(), (Events{"remove? 0-1 n=2", "removed n=0"}));
    list.appendEntries(std::vector<NewEntry>{});
    list.removeAll();
    list.setObserver(nullptr);
    list.appendEntry("/d", 4, "");
    EXPECT_EQ(observer.take(), Events{});
}

} // namespace
} // namespace zd

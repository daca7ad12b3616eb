#include "entry_list.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace zd {
namespace {

std::vector<std::uint32_t> addressesOf(const EntryList& list) {
    std::vector<std::uint32_t> addresses;
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

TEST(EntryListLayout, AppendPlacesEachRowAtTheCapacityBeforeIt) {
    EntryList list = listAt(4097);
    list.appendEntry("/img/a.bin", 10, ".bin");
    list.appendEntry("/img/b.bin", 20, ".bin");
    list.appendEntry("/img/empty", 0, "");
    EXPECT_EQ(addressesOf(list), (std::vector<std::uint32_t>{4097, 4107, 4127}));
    EXPECT_EQ(list.imageCapacity(), 4127u);

    list.appendEntry("/img/d.dot", 5, ".dot");
    EXPECT_EQ(list.rowCount(), 4);
    EXPECT_EQ(list.cellText(3, Column::Number), "4");
    EXPECT_EQ(list.cellText(3, Column::Address), "4127");
    EXPECT_EQ(list.cellText(3, Column::Size), "5");
    EXPECT_EQ(list.cellText(3, Column::FileName), "/img/d.dot");
    EXPECT_EQ(list.cellText(3, Column::DataFormat), ".dot");
    EXPECT_EQ(list.imageCapacity(), 4132u);

    // A batch continues from the same capacity and derives data formats.
    const std::vector<NewEntry> batch{{"/x/e.jpg", 100}, {"/x/f", 1}};
    list.appendEntries(batch);
    EXPECT_EQ(list.at(4).address, 4132u);
    EXPECT_EQ(list.at(4).dataFormat, ".jpg");
    EXPECT_EQ(list.at(5).address, 4232u);
    EXPECT_EQ(list.at(5).dataFormat, "");
    EXPECT_EQ(list.imageCapacity(), 4233u);
}

TEST(EntryListLayout, RecomputeAfterRemoveSwapAndOffsetChange) {
    EntryList list;
    list.appendEntry("/a", 100, "");
    list.appendEntry("/b", 200, "");
    list.appendEntry("/c", 300, "");

    list.removeRow(1);
    EXPECT_EQ(list.imageCapacity(), 400u);
    list.recomputeLayout();
    EXPECT_EQ(addressesOf(list), (std::vector<std::uint32_t>{0, 100}));
    EXPECT_EQ(list.cellText(1, Column::Number), "2");
    EXPECT_EQ(list.cellText(1, Column::FileName), "/c");

    list.swapRows(0, 1);
    list.recomputeLayout();
    EXPECT_EQ(list.at(0).path, "/c");
    EXPECT_EQ(addressesOf(list), (std::vector<std::uint32_t>{0, 300}));

    list.setFrontOffset(4096);
    list.recomputeLayout();
    EXPECT_EQ(addressesOf(list), (std::vector<std::uint32_t>{4096, 4396}));
    EXPECT_EQ(list.imageCapacity(), 4496u);

    list.removeAll();
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(list.imageCapacity(), 4096u);
    list.recomputeLayout();
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
    EXPECT_EQ(list.at(0).address, 4294963200u);
    EXPECT_EQ(list.imageCapacity(), 4096u);
    list.recomputeLayout();
    EXPECT_EQ(list.imageCapacity(), 4096u);

    EntryList lowered = listAt(100);
    lowered.appendEntry("/max", 4294967295u, "");
    EXPECT_EQ(lowered.imageCapacity(), 99u);
    lowered.removeRow(0);
    EXPECT_EQ(lowered.imageCapacity(), 100u);
}

// Sizes are unsigned 32-bit throughout: a 3 GiB file must not be read back as
// 2147483647, or every later address shifts.
TEST(EntryListLayout, SizesAbove2GiBStayExact) {
    constexpr std::uint32_t kThreeGiB = 3221225472u;
    EntryList list = listAt(4096);
    list.appendEntry("/video.avi", kThreeGiB, ".avi");
    list.appendEntry("/after.bin", 10, ".bin");
    EXPECT_EQ(list.cellText(0, Column::Size), "3221225472");
    EXPECT_EQ(list.at(1).address, 4096u + kThreeGiB);

    list.setFrontOffset(0);
    list.recomputeLayout();
    EXPECT_EQ(list.cellText(1, Column::Address), "3221225472");
    EXPECT_EQ(list.imageCapacity(), kThreeGiB + 10u);

    list.swapRows(0, 1);
    list.recomputeLayout();
    EXPECT_EQ(list.imageCapacity(), kThreeGiB + 10u);
    list.removeRow(1);
    EXPECT_EQ(list.imageCapacity(), 10u);
}

TEST(DataFormatOf, TakesTheExtensionOfTheFileNameOnly) {
    EXPECT_EQ(dataFormatOf("/img/logo.bin"), ".bin");
    EXPECT_EQ(dataFormatOf("/img/LOGO.BIN"), ".BIN");
    EXPECT_EQ(dataFormatOf("LOGO.BIN"), ".BIN");
    EXPECT_EQ(dataFormatOf("/fonts/font.old.dot"), ".dot");
    EXPECT_EQ(dataFormatOf("/rel1.2/readme"), "");
    EXPECT_EQ(dataFormatOf("D:\\rel1.2\\readme"), "");
    EXPECT_EQ(dataFormatOf("/plain/name"), "");
    EXPECT_EQ(dataFormatOf("/notes/.hidden"), ".hidden");
    EXPECT_EQ(dataFormatOf("/dir/trailing."), ".");
    EXPECT_EQ(dataFormatOf(""), "");
}

TEST(EntryList, KeepsLongPathsWhole) {
    std::string path = "/";
    for (int i = 0; i < 40; ++i) {
        path += "a-rather-long-folder-name/";
    }
    path += "picture.jpeg";
    ASSERT_GT(path.size(), 1000u);
    EntryList list;
    list.appendEntries(std::vector<NewEntry>{{path, 1}});
    EXPECT_EQ(list.cellText(0, Column::FileName), path);
    EXPECT_EQ(list.at(0).dataFormat, ".jpeg");
}

// Records each notice with the row count the list had when it was sent, so
// the test sees that "about to" comes before and "done" after each change.
class RecordingObserver : public EntryListObserver {
public:
    explicit RecordingObserver(const EntryList& list) : list_(list) {}
    void rowsAboutToBeInserted(int first, int last) override { note("insert?", first, last); }
    void rowsInserted() override { note("inserted", -1, -1); }
    void rowsAboutToBeRemoved(int first, int last) override { note("remove?", first, last); }
    void rowsRemoved() override { note("removed", -1, -1); }
    void rowsChanged(int first, int last) override { note("changed", first, last); }
    std::vector<std::string> take() { return std::exchange(events_, {}); }

private:
    void note(const char* what, int first, int last) {
        std::string text = what;
        if (first >= 0) {
            text += " " + std::to_string(first) + "-" + std::to_string(last);
        }
        text += " n=" + std::to_string(list_.rowCount());
        events_.push_back(text);
    }
    const EntryList& list_;
    std::vector<std::string> events_;
};

using Events = std::vector<std::string>;

TEST(EntryListObserver, NoticesBracketEveryChange) {
    EntryList list;
    RecordingObserver observer(list);
    list.setObserver(&observer);

    list.appendEntry("/a", 1, "");
    EXPECT_EQ(observer.take(), (Events{"insert? 0-0 n=0", "inserted n=1"}));
    list.appendEntries(std::vector<NewEntry>{{"/b", 2}, {"/c", 3}});
    EXPECT_EQ(observer.take(), (Events{"insert? 1-2 n=1", "inserted n=3"}));
    list.appendEntries(std::vector<NewEntry>{});
    EXPECT_EQ(observer.take(), Events{});

    list.swapRows(2, 0);
    EXPECT_EQ(observer.take(), (Events{"changed 0-2 n=3"}));
    list.recomputeLayout();
    EXPECT_EQ(observer.take(), (Events{"changed 0-2 n=3"}));
    list.removeRow(1);
    EXPECT_EQ(observer.take(), (Events{"remove? 1-1 n=3", "removed n=2"}));
    list.removeAll();
    EXPECT_EQ(observer.take(), (Events{"remove? 0-1 n=2", "removed n=0"}));
    list.removeAll();
    list.recomputeLayout();
    EXPECT_EQ(observer.take(), Events{});

    list.setObserver(nullptr);
    list.appendEntry("/d", 4, "");
    EXPECT_EQ(observer.take(), Events{});
}

} // namespace
} // namespace zd

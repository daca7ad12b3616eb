#include "list_file.h"
#include "merge_test_support.h"

#include <algorithm>

namespace zd {
namespace {

using test::le32;
using test::listOfFiles;
using test::readFile;

std::string filler(std::size_t count) { return std::string(count, '\xFF'); }

class ImageBytes : public ::testing::Test {
protected:
    void SetUp() override {
        test::writeFile(dir / "logo.bin", logo);
        test::writeFile(dir / "font16.dot", font);
    }
    // Merges `list` into "img.bin" and returns the image's bytes.
    std::string merge(const EntryList& list, bool withInfo, bool expectTable,
                      const std::string& name = "img") {
        const MergeResult result = mergeImage(list, withInfo, *outputPathsFor(dir / name));
        EXPECT_TRUE(result.ok()) << static_cast<int>(result.status) << " " << result.path;
        EXPECT_EQ(result.infoTableWritten, expectTable);
        EXPECT_EQ(readFile(dir / (name + ".h")), listFileText(list));
        return readFile(dir / (name + ".bin"));
    }
    EntryList twoFiles(std::uint32_t frontOffset) {
        return listOfFiles(frontOffset, {dir / "logo.bin", dir / "font16.dot"});
    }

    test::TempDir dir;
    std::string logo = test::patternBytes(1234, 1);
    std::string font = test::patternBytes(5000, 2);
};

// The table needs strictly more than 8 bytes per entry; the rest is filler.
TEST_F(ImageBytes, FrontAreaFollowsTheOptionAndTheRoom) {
    const std::string workedExample =
        std::string("\x00\x10\x00\x00\xD2\x04\x00\x00\xD2\x14\x00\x00\x88\x13\x00\x00", 16);
    EXPECT_EQ(merge(twoFiles(4096), true, true), workedExample + filler(4080) + logo + font);
    EXPECT_EQ(merge(twoFiles(4096), false, false), filler(4096) + logo + font);
    EXPECT_EQ(merge(twoFiles(16), true, false), filler(16) + logo + font);
    EXPECT_EQ(merge(twoFiles(17), true, true),
              le32(17) + le32(1234) + le32(17 + 1234) + le32(5000) + filler(1) + logo + font);
    EXPECT_EQ(merge(twoFiles(0), true, false), logo + font);
    EXPECT_FALSE(infoTableFits(4294967295u, 536870912)); // 8 × n = 2^32
    EXPECT_TRUE(infoTableFits(4294967295u, 536870911));
    EXPECT_EQ(test::namesIn(dir.path()),
              (std::vector<std::string>{"font16.dot", "img.bin", "img.h", "logo.bin"}));
}

TEST_F(ImageBytes, EmptyListsAndEmptyFiles) {
    EXPECT_EQ(merge(listOfFiles(100, {}), true, false), filler(100));
    EXPECT_EQ(readFile(dir / "img.h").size(), 42u);
    test::writeFile(dir / "empty", "");
    const EntryList list = listOfFiles(8, {dir / "logo.bin", dir / "empty", dir / "font16.dot"});
    EXPECT_EQ(merge(list, false, false), filler(8) + logo + font);
}

TEST_F(ImageBytes, ProgressRisesToTheTotal) {
    test::writeFile(dir / "big", test::patternBytes(3 << 20, 3));
    const EntryList list = listOfFiles(4096, {dir / "logo.bin", dir / "big", dir / "font16.dot"});
    std::vector<std::uint64_t> done;
    const std::uint64_t total = 4096u + 1234u + (3u << 20) + 5000u;
    ASSERT_TRUE(mergeImage(list, true, *outputPathsFor(dir / "img"), [&](auto d, auto t) {
                    EXPECT_EQ(t, total);
                    done.push_back(d);
                    return true;
                }).ok());
    ASSERT_FALSE(done.empty());
    EXPECT_EQ(done.front(), 4096u);
    EXPECT_EQ(done.back(), total);
    EXPECT_TRUE(std::is_sorted(done.begin(), done.end()));
}

// The longest name a folder takes: 255 bytes for the image's temporary too.
TEST_F(ImageBytes, TheLongestFileNamesAreWrittenWhole) {
    std::string name(251 - 3 * 30, 'n');
    for (int i = 0; i < 30; ++i) {
        name += "\xE5\xAD\x97"; // a three-byte character
    }
    EXPECT_EQ(merge(twoFiles(0), false, false, name), logo + font);
}

// The table is read from the temporary at the first progress report, when
// the front area is complete, and the merge is then stopped: no 3 GiB copy.
TEST_F(ImageBytes, TheTableRecordsSizesAndAddressesAbove2GiBExactly) {
    test::makeSparseFile(dir / "video.avi", 3221225472u);
    const EntryList list = listOfFiles(4096, {dir / "video.avi", dir / "logo.bin"});
    std::string front;
    const MergeResult result =
        mergeImage(list, true, *outputPathsFor(dir / "img"), [&](auto, auto) {
            for (const std::string& name : test::namesIn(dir.path())) {
                if (name.find("img.bin") != std::string::npos) {
                    front = readFile(dir / name);
                }
            }
            return false;
        });
    EXPECT_EQ(result.status, MergeStatus::Stopped);
    EXPECT_EQ(front, le32(4096) + le32(3221225472u) + le32(4096 + 3221225472u) + le32(1234) +
                         filler(4096 - 16));
}

} // namespace
} // namespace zd

#include "image_writer.h"

#include "list_file.h"
#include "merge_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace zd {
namespace {

using test::filler;
using test::listOfFiles;
using test::littleEndian;
using test::outputsIn;
using test::patternBytes;
using test::readFile;
using test::TempDir;
using test::writeFile;

class ImageBytes : public ::testing::Test {
protected:
    void SetUp() override {
        logo = patternBytes(1234, 1);
        font = patternBytes(5000, 2);
        writeFile(dir / "logo.bin", logo);
        writeFile(dir / "font16.dot", font);
    }

    // Merges `list` into "img.bin" and returns the image's bytes.
    std::string merge(const EntryList& list, bool withInfo, bool expectTable) {
        const MergeResult result = mergeImage(list, withInfo, outputsIn(dir, "img"));
        EXPECT_TRUE(result.ok()) << static_cast<int>(result.status) << " " << result.path;
        EXPECT_EQ(result.infoTableWritten, expectTable);
        return readFile(dir / "img.bin");
    }

    EntryList twoFiles(std::uint32_t frontOffset) {
        return listOfFiles(frontOffset, {dir / "logo.bin", dir / "font16.dot"});
    }

    TempDir dir;
    std::string logo;
    std::string font;
};

TEST_F(ImageBytes, WorkedExampleWithTheInfoTable) {
    const std::string image = merge(twoFiles(4096), true, true);
    ASSERT_EQ(image.size(), 10330u);
    const std::string head("\x00\x10\x00\x00\xD2\x04\x00\x00\xD2\x14\x00\x00\x88\x13\x00\x00", 16);
    EXPECT_EQ(image.substr(0, 16), head);
    EXPECT_EQ(image.substr(16, 4096 - 16), filler(4080));
    EXPECT_EQ(image.substr(4096, 1234), logo);
    EXPECT_EQ(image.substr(5330), font);
}

TEST_F(ImageBytes, OptionOffGivesAnAllFillerFrontArea) {
    const std::string image = merge(twoFiles(4096), false, false);
    EXPECT_EQ(image, filler(4096) + logo + font);
}

// The table needs strictly more than 8 bytes per entry.
TEST_F(ImageBytes, TableOnlyWhenTheFrontAreaIsLargerThanIt) {
    EXPECT_EQ(merge(twoFiles(16), true, false), filler(16) + logo + font);

    const std::string table = littleEndian(17) + littleEndian(1234) + littleEndian(17 + 1234) +
                              littleEndian(5000);
    EXPECT_EQ(merge(twoFiles(17), true, true), table + filler(1) + logo + font);

    EXPECT_EQ(merge(twoFiles(0), true, false), logo + font);

    EXPECT_FALSE(infoTableFits(100, 0));
    EXPECT_FALSE(infoTableFits(4294967295u, 536870912)); // 8 × n = 2^32
    EXPECT_TRUE(infoTableFits(4294967295u, 536870911));
}

TEST_F(ImageBytes, AnUnalignedFrontOffsetIsKept) {
    EXPECT_EQ(merge(twoFiles(4099), false, false), filler(4099) + logo + font);
}

TEST_F(ImageBytes, EmptyListGivesFillerAndAnEmptyListFile) {
    EntryList empty;
    empty.setFrontOffset(100);
    empty.recomputeLayout();
    EXPECT_EQ(merge(empty, true, false), filler(100));
    EXPECT_EQ(readFile(dir / "img.h").size(), 42u);

    EntryList nothing;
    EXPECT_EQ(merge(nothing, false, false), "");
}

TEST_F(ImageBytes, AnEmptyFileAddsNothingAndTheNextFollowsDirectly) {
    writeFile(dir / "empty", "");
    const EntryList list = listOfFiles(8, {dir / "logo.bin", dir / "empty", dir / "font16.dot"});
    EXPECT_EQ(merge(list, false, false), filler(8) + logo + font);
    EXPECT_EQ(list.at(1).address, list.at(2).address);
}

TEST_F(ImageBytes, WritesTheListFileBesideTheImage) {
    const EntryList list = twoFiles(4096);
    merge(list, true, true);
    EXPECT_EQ(readFile(dir / "img.h"), listFileText(list));
    EXPECT_EQ(test::namesIn(dir.path()),
              (std::vector<std::string>{"font16.dot", "img.bin", "img.h", "logo.bin"}));
}

TEST_F(ImageBytes, ProgressRisesToTheTotal) {
    const std::string big = patternBytes(3 << 20, 3);
    writeFile(dir / "big", big);
    const EntryList list = listOfFiles(4096, {dir / "logo.bin", dir / "big", dir / "font16.dot"});
    std::vector<std::uint64_t> done;
    std::uint64_t total = 0;
    const MergeResult result =
        mergeImage(list, true, outputsIn(dir, "img"), [&](std::uint64_t d, std::uint64_t t) {
            done.push_back(d);
            total = t;
            return true;
        });
    ASSERT_TRUE(result.ok());
    EXPECT_EQ(total, 4096u + 1234u + big.size() + 5000u);
    ASSERT_FALSE(done.empty());
    EXPECT_EQ(done.front(), 4096u);
    EXPECT_EQ(done.back(), total);
    EXPECT_TRUE(std::is_sorted(done.begin(), done.end()));
    EXPECT_EQ(readFile(dir / "img.bin").size(), total);
}

// The longest name a folder takes: 255 bytes for the image, 253 for the list.
TEST_F(ImageBytes, TheLongestFileNamesAreWrittenWhole) {
    std::string name(251 - 3 * 30, 'n');
    for (int i = 0; i < 30; ++i) {
        name += "\xE5\xAD\x97"; // a three-byte character
    }
    ASSERT_EQ(name.size(), 251u);
    const EntryList list = twoFiles(0);
    const MergeResult result = mergeImage(list, false, outputsIn(dir, name));
    ASSERT_TRUE(result.ok()) << result.error.message();
    EXPECT_EQ(readFile(dir / (name + ".bin")), logo + font);
    EXPECT_EQ(readFile(dir / (name + ".h")), listFileText(list));
}

// A 3 GiB input would take 3 GiB of disk to merge; the table is checked in
// the temporary image at the first progress report, when the front area is
// complete, and the merge is then stopped.
TEST_F(ImageBytes, TheTableRecordsSizesAndAddressesAbove2GiBExactly) {
    ASSERT_TRUE(test::makeSparseFile(dir / "video.avi", 3221225472u));
    const EntryList list = listOfFiles(4096, {dir / "video.avi", dir / "logo.bin"});
    std::string front;
    const MergeResult result =
        mergeImage(list, true, outputsIn(dir, "img"), [&](std::uint64_t, std::uint64_t) {
            for (const std::string& name : test::namesIn(dir.path())) {
                if (name.find("img.bin") != std::string::npos) {
                    front = readFile(dir / name);
                }
            }
            return false;
        });
    EXPECT_EQ(result.status, MergeStatus::Stopped);
    const std::string table = littleEndian(4096) + littleEndian(3221225472u) +
                              littleEndian(4096 + 3221225472u) + littleEndian(1234);
    EXPECT_EQ(front, table + filler(4096 - 16));
    EXPECT_FALSE(std::filesystem::exists(dir / "img.bin"));
}

} // namespace
} // namespace zd

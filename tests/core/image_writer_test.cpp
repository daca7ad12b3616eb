// The merged image byte for byte, and the refusals made before any file is
// created.
#include "list_file.h"
#include "merge_fixture.h"
#include "output_set.h"

namespace zd::test {
namespace {

using ImageWriter = MergeTest;

std::string le32(std::uint32_t v) {
    return {static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16),
            static_cast<char>(v >> 24)};
}
std::string filler(std::size_t count) {
    return std::string(count, '\xFF');
}

// The table needs strictly more than 8 bytes per entry; the rest is filler.
TEST_F(ImageWriter, WritesTheFrontAreaAndTheInputs) {
    for (const std::uint32_t front : {16u, 17u}) {
        const EntryList list = listOf(front, {a, b});
        ASSERT_TRUE(mergeImage(list, true, *outputPathsFor(dir / "img")).ok());
        const std::string table =
            front == 17 ? le32(17) + le32(1234) + le32(1251) + le32(5000) : "";
        EXPECT_EQ(readFile(dir / "img.bin"),
                  table + filler(front - table.size()) + abytes + bbytes);
        EXPECT_EQ(readFile(dir / "img.h"), listFileText(list));
    }
}

// The table is read from the temporary once the front area is complete; the
// merge is then stopped early in the 3 GiB copy, and leaves nothing behind.
TEST_F(ImageWriter, TheTableRecordsSizesAbove2GiBAndAStopLeavesNothing) {
    makeSparseFile(dir / "video", 3221225472u);
    std::string front;
    std::uint64_t stoppedAt = 0;
    const auto progress = [&](std::uint64_t done, auto) {
        for (const std::string& name : namesIn(dir.path())) {
            if (isTemporaryName(name) && done == 4096 && fs::file_size(dir / name) == 4096) {
                front = readFile(dir / name);
            }
        }
        return (stoppedAt = done) == 4096;
    };
    EXPECT_EQ(mergeImage(listOf(4096, {dir / "video", a}), true, outputs, progress).status,
              MergeStatus::Stopped);
    EXPECT_EQ(front,
              le32(4096) + le32(3221225472u) + le32(3221229568u) + le32(1234) + filler(4080));
    EXPECT_GT(stoppedAt, 4096u);
    expectEarlierKept({"a.bin", "b.bin", "out.bin", "out.h", "video"});
}

// Neither output may replace an input, by name or through any link; a name
// the list file cannot carry and a layout past 4 GiB are refused too. Each
// refusal names the input at fault.
TEST_F(ImageWriter, RefusesAndNamesTheInputAtFault) {
    fs::create_symlink(dir / "out.bin", dir / "link");
    fs::create_hard_link(dir / "out.h", dir / "hard");
    const std::string newline = dir / "two\nlines";
    const std::pair<EntryList, MergeStatus> cases[] = {
        {listOf(0, {a, dir / "out.bin"}), MergeStatus::OutputIsInput},
        {listOf(0, {a, dir / "link"}), MergeStatus::OutputIsInput},
        {listOf(0, {a, dir / "out.h"}), MergeStatus::ListIsInput},
        {listOf(0, {a, dir / "hard"}), MergeStatus::ListIsInput},
        {listOf(4294964829u, {a, a}), MergeStatus::LayoutTooLarge}, // ends at 2^32 + 1
    };
    const Names names = namesIn(dir.path());
    for (const auto& [list, status] : cases) {
        const MergeResult result = mergeImage(list, true, outputs);
        EXPECT_EQ(result.status, status) << list.at(1).path;
        EXPECT_EQ(result.path, list.at(1).path);
    }
    EntryList unlistable = listOf(0, {a});
    unlistable.appendEntry(newline, 0, "");
    EXPECT_EQ(summary(mergeImage(unlistable, false, outputs)),
              summary(MergeStatus::NameNotListable, newline));
    expectEarlierKept(names);
}

} // namespace
} // namespace zd::test

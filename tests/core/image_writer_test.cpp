// The merged image byte for byte, and the refusals made before any file is
// created.
#include "list_file.h"
#include "merge_fixture.h"
#include "output_set.h"
#include "posix_child.h"

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
    const std::tuple<std::uint32_t, Names, std::string> cases[] = {
        {16, {a, b}, ""},
        {17, {a, b}, le32(17) + le32(1234) + le32(1251) + le32(5000)},
        {8, {a}, ""},
        {9, {a}, le32(9) + le32(1234)},
    };
    for (const auto& [front, inputs, table] : cases) {
        const EntryList list = listOf(front, inputs);
        ASSERT_TRUE(mergeImage(list, true, *outputPathsFor(dir / "img")).ok());
        EXPECT_EQ(readFile(dir / "img.bin"), table + filler(front - table.size()) + abytes +
                                                 (inputs.size() == 2 ? bbytes : ""));
        EXPECT_EQ(readFile(dir / "img.h"), listFileText(list));
    }
}

// Small inputs are gathered and written in large pieces, large ones are
// moved one by one: in any mix and at every size around the line between
// the two, each lands whole at its address, and the image ends with the
// last one.
TEST_F(ImageWriter, ManySmallInputsAndLargeOnesInTurn) {
    Names inputs;
    std::string expected = filler(4096);
    const auto add = [&](std::size_t size) {
        const std::string path = dir / ("in" + std::to_string(inputs.size()));
        const std::string bytes = patternBytes(size, static_cast<unsigned>(inputs.size()));
        writeFile(path, bytes);
        inputs.push_back(path);
        expected += bytes;
    };
    for (const std::size_t size : {std::size_t{65535}, std::size_t{65536}, std::size_t{65537},
                                   std::size_t{0}, std::size_t{1}, std::size_t{3} << 20}) {
        add(size);
    }
    // About 1.6 MiB of small files: the gathered bytes fill their buffer.
    for (std::size_t i = 0; i < 400; ++i) {
        add(1024 + (i * 977) % 7168);
    }
    add(65537);
    add(10);
    const EntryList list = listOf(4096, inputs);
    ASSERT_TRUE(mergeImage(list, false, outputs).ok());
    EXPECT_TRUE(readFile(dir / "out.bin") == expected) << "the image differs";
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

// Neither output may replace an input, by name or through any link (on
// Windows, by a name that differs in case or separators); a name the list
// file cannot carry and a layout past 4 GiB are refused too. Each refusal
// names the input at fault.
TEST_F(ImageWriter, RefusesAndNamesTheInputAtFault) {
#ifdef _WIN32
    const std::string other = dir / "OUT.Bin";
    std::string otherList = dir / "out.h";
    std::replace(otherList.begin(), otherList.end(), '\\', '/');
#else
    const std::string other = dir / "link";
    const std::string otherList = dir / "link.h";
    fs::create_symlink(dir / "out.bin", other);
    fs::create_symlink("out.h", otherList);
#endif
    fs::create_hard_link(dir / "out.h", dir / "hard");
    const std::string newline = dir / "two\nlines";
    const std::pair<EntryList, MergeStatus> cases[] = {
        {listOf(0, {a, dir / "out.bin"}), MergeStatus::OutputIsInput},
        {listOf(0, {a, other}), MergeStatus::OutputIsInput},
        {listOf(0, {a, dir / "out.h"}), MergeStatus::ListIsInput},
        {listOf(0, {a, otherList}), MergeStatus::ListIsInput},
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

#ifndef _WIN32
// An image may end at 4 GiB exactly, and no file may start there. Past the
// checks the front area meets a full disk, so nothing large is written.
TEST_F(ImageWriter, TheLayoutEndsAt4GiBAtMost) {
    writeFile(dir / "one", "1");
    writeFile(dir / "none", "");
    const std::pair<EntryList, MergeStatus> cases[] = {
        {listOf(4294967295u, {dir / "one"}), MergeStatus::ImageWriteFailed},
        {listOf(4294967295u, {dir / "one", dir / "none"}), MergeStatus::LayoutTooLarge},
        {listOf(4294966062u, {a}), MergeStatus::ImageWriteFailed},
        {listOf(4294966063u, {a}), MergeStatus::LayoutTooLarge},
    };
    for (const auto& [list, status] : cases) {
        const auto child = inChild({.fileSizeLimit = 1 << 20}, [&] {
            return std::to_string(static_cast<int>(mergeImage(list, false, outputs).status));
        });
        ASSERT_TRUE(child);
        EXPECT_EQ(child->said, std::to_string(static_cast<int>(status))) << list.frontOffset();
    }
}
#endif

} // namespace
} // namespace zd::test

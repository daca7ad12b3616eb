// What a merge promises about its inputs: each is checked on the descriptor
// it is copied from, and exactly its listed size is copied, or the merge
// fails naming it.
#include "core/files/output_set.h"
#include "tests/core/merge_fixture.h"

#include <sys/stat.h>

namespace zd::test {
namespace {

using Inputs = MergeTest;
using Sizes = std::pair<std::uint64_t, std::uint64_t>; // expected, actual

// Whatever an input's name leads to when the merge opens it: a pipe (which
// must not hang the merge) or device, a folder, nothing, or a file of another
// size. Each ends the merge with the input named; the dry run finds the same.
// However a merge ends, it keeps no descriptor open (none are counted on
// Windows): 20,000 inputs would otherwise run out of them.
TEST_F(Inputs, EachInputIsCheckedWhenItIsOpened) {
    const auto openCount = [] {
        std::error_code none;
        return files::kWin32 ? 0 : std::distance(fs::directory_iterator("/proc/self/fd", none), {});
    };
    const auto before = openCount();
    fs::create_directory(dir / "folder");
    Names made{"a.bin", "b.bin", "folder", "out.bin", "out.h"};
    std::vector<std::tuple<std::string, std::uint32_t, MergeStatus, std::error_code>> cases{
        {dir / "folder", 0, MergeStatus::InputUnreadable, errc(std::errc::is_a_directory)},
        {dir / "gone", 1, MergeStatus::InputUnreadable, errc(std::errc::no_such_file_or_directory)},
        {b, 4999, MergeStatus::InputSizeChanged, {}},
    };
#ifdef _WIN32
    const std::string other = "NUL";
#else
    const std::string other = dir / "pipe";
    ASSERT_EQ(::mkfifo(other.c_str(), 0600), 0);
    made.push_back("pipe");
#endif
    cases.emplace_back(other, 5, MergeStatus::InputUnreadable, FileErrc::NotAFile);
    for (const auto& [path, size, status, error] : cases) {
        EntryList list = listOf(0, {a});
        list.appendEntry(path, size, "");
        const std::string expected = summary(status, path, error);
        EXPECT_EQ(summary(checkMerge(list, outputs)), expected);
        const MergeResult result = mergeImage(list, false, outputs);
        EXPECT_EQ(summary(result), expected);
        EXPECT_EQ(Sizes(result.expected, result.actual), path == b ? Sizes(4999, 5000) : Sizes());
    }
    expectEarlierKept(made);
    ASSERT_TRUE(mergeImage(listOf(0, {a, b, a}), false, outputs).ok());
    EXPECT_EQ(openCount(), before);
}

// The checks pass when the input is opened; it is then cut or grown while it
// is copied in several chunks, and the new length is told. Files of /proc and
// /sys report a length (0, 4096) that is not what they hold; the merge says
// so instead of asking to add them again.
TEST_F(Inputs, AnInputWhoseLengthIsNotWhatItHolds) {
    const EntryList list = test::listOf(4096, {{a, 4u << 20}, {b, 5000}});
    for (const std::uintmax_t length : {std::uintmax_t{100}, std::uintmax_t{5} << 20}) {
        writeFile(a, patternBytes(4 << 20, 1));
        const MergeResult result = mergeImage(list, false, outputs, [&](auto done, auto) {
            if (done > 4096) {
                fs::resize_file(a, length);
            }
            return true;
        });
        EXPECT_EQ(summary(result), summary(MergeStatus::InputSizeChanged, a));
        EXPECT_EQ(Sizes(result.expected, result.actual), Sizes(4u << 20, length));
    }
#ifndef _WIN32
    for (const char* path : {"/proc/self/stat", "/sys/kernel/uevent_seqnum"}) {
        std::error_code none; // not every system has both
        const std::uintmax_t size = fs::file_size(path, none);
        if (!none) {
            const MergeResult result = mergeImage(
                test::listOf(0, {{path, static_cast<std::uint32_t>(size)}}), false, outputs);
            EXPECT_EQ(summary(result), summary(MergeStatus::InputSizeUnknown, path)) << path;
            EXPECT_EQ(result.expected, size);
        }
    }
#endif
    expectEarlierKept();
}

} // namespace
} // namespace zd::test

// The merged image byte for byte, and merges that are refused or fail: an
// earlier image survives each, and no temporary stays behind.
#include "image_writer.h"
#include "list_file.h"
#include "test_files.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace zd {
namespace {

namespace fs = std::filesystem;
using test::readFile;
using test::writeFile;
using Names = std::vector<std::string>;

std::string le32(std::uint32_t v) {
    return {static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16),
            static_cast<char>(v >> 24)};
}
std::string filler(std::size_t count) { return std::string(count, '\xFF'); }

class ImageWriter : public ::testing::Test {
protected:
    void SetUp() override {
        writeFile(a, abytes);
        writeFile(b, bbytes);
        writeFile(dir / "out.bin", "earlier image");
        writeFile(dir / "out.h", "earlier list");
    }
    // A list at `frontOffset` holding `paths` with their present lengths.
    static EntryList listOf(std::uint32_t frontOffset, const Names& paths) {
        EntryList list;
        list.setFrontOffset(frontOffset);
        list.recomputeLayout();
        for (const std::string& path : paths) {
            list.appendEntry(path, static_cast<std::uint32_t>(fs::file_size(path)), "");
        }
        return list;
    }
    void expectEarlierKept(const Names& names = {"a.bin", "b.bin", "out.bin", "out.h"}) {
        EXPECT_EQ(readFile(dir / "out.bin"), "earlier image");
        EXPECT_EQ(readFile(dir / "out.h"), "earlier list");
        EXPECT_EQ(test::namesIn(dir.path()), names);
    }
#ifndef _WIN32
    // Runs the merge in a child whose files may not grow past `limit` bytes
    // (a full disk, as the writer sees it); the child exits with
    // the status if the writer saw the limit.
    MergeStatus mergeOnFullDisk(const EntryList& list, rlim_t limit) {
        if (::fork() == 0) {
            std::signal(SIGXFSZ, SIG_IGN);
            const rlimit fileSize{limit, limit};
            const MergeResult result = ::setrlimit(RLIMIT_FSIZE, &fileSize) == 0
                                           ? mergeImage(list, false, outputs)
                                           : MergeResult{};
            ::_exit(result.error.value() == EFBIG ? static_cast<int>(result.status) : 100);
        }
        int status = 0;
        ::wait(&status);
        return static_cast<MergeStatus>(WIFEXITED(status) ? WEXITSTATUS(status) : -1);
    }
#endif

    test::TempDir dir;
    std::string a = dir / "a.bin";
    std::string b = dir / "b.bin";
    std::string abytes = test::patternBytes(1234, 1);
    std::string bbytes = test::patternBytes(5000, 2);
    OutputPaths outputs = *outputPathsFor(dir / "out");
};

// The table needs strictly more than 8 bytes per entry; the rest is filler.
TEST_F(ImageWriter, WritesTheFrontAreaAndTheInputs) {
    for (const std::uint32_t front : {16u, 17u}) {
        const EntryList list = listOf(front, {a, b});
        ASSERT_TRUE(mergeImage(list, true, *outputPathsFor(dir / "img")).ok());
        const std::string table = front == 17 ? le32(17) + le32(1234) + le32(1251) + le32(5000) : "";
        EXPECT_EQ(readFile(dir / "img.bin"), table + filler(front - table.size()) + abytes + bbytes);
        EXPECT_EQ(readFile(dir / "img.h"), listFileText(list));
    }
}

// The table is read from the temporary once the front area is complete; the
// merge is then stopped early in the 3 GiB copy, and leaves nothing behind.
TEST_F(ImageWriter, TheTableRecordsSizesAbove2GiBAndAStopLeavesNothing) {
    test::makeSparseFile(dir / "video", 3221225472u);
    std::string front;
    std::uint64_t stoppedAt = 0;
    const auto progress = [&](std::uint64_t done, auto) {
        for (const std::string& name : test::namesIn(dir.path())) {
            front = name.ends_with(".part") && done == 4096 ? readFile(dir / name) : front;
        }
        return (stoppedAt = done) == 4096;
    };
    EXPECT_EQ(mergeImage(listOf(4096, {dir / "video", a}), true, outputs, progress).status,
              MergeStatus::Stopped);
    EXPECT_EQ(front, le32(4096) + le32(3221225472u) + le32(3221229568u) + le32(1234) + filler(4080));
    EXPECT_GT(stoppedAt, 4096u);
    expectEarlierKept({"a.bin", "b.bin", "out.bin", "out.h", "video"});
}

// Neither output may replace an input, whatever link names it. Each refusal
// names the input at fault.
TEST_F(ImageWriter, RefusesBeforeWriting) {
#ifndef _WIN32
    fs::create_symlink(dir / "out.bin", dir / "link");
#endif
    fs::create_hard_link(dir / "out.bin", dir / "hard");
    writeFile(dir / "gone", "x");
    const std::pair<EntryList, MergeStatus> cases[] = {
#ifdef _WIN32
        // Names differing in case or separators name the same file here.
        {listOf(0, {a, dir / "OUT.Bin"}), MergeStatus::OutputIsInput},
        {listOf(0, {a, dir.path().generic_string() + "/out.h"}), MergeStatus::ListIsInput},
#else
        {listOf(0, {a, dir / "link"}), MergeStatus::OutputIsInput},
#endif
        {listOf(0, {a, dir / "hard"}), MergeStatus::OutputIsInput},
        {listOf(0, {a, dir / "out.h"}), MergeStatus::ListIsInput},
        {listOf(4294964829u, {a, a}), MergeStatus::LayoutTooLarge}, // ends at 2^32 + 1
        {listOf(0, {a, dir / "gone"}), MergeStatus::InputUnreadable},
        {listOf(0, {a, b}), MergeStatus::InputSizeChanged},
    };
    fs::remove(dir / "gone");
    writeFile(b, bbytes + "x");
    const Names names = test::namesIn(dir.path());
    for (const auto& [list, status] : cases) {
        const MergeResult result = mergeImage(list, true, outputs);
        EXPECT_EQ(result.status, status);
        EXPECT_EQ(result.path, list.at(1).path);
    }
    expectEarlierKept(names);
}

#ifdef _WIN32
// An image held open by another program is not replaced, and the system's
// reason says why; nothing of the new image stays behind.
TEST_F(ImageWriter, FailsWhileTheTargetIsHeldOpen) {
    const HANDLE held = ::CreateFileW(test::pathOf(dir / "out.bin").c_str(), GENERIC_READ, 0,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    const MergeResult result = mergeImage(listOf(0, {a, b}), false, outputs);
    ::CloseHandle(held);
    EXPECT_EQ(result.status, MergeStatus::ImageWriteFailed);
    EXPECT_EQ(result.error.category(), std::system_category());
    EXPECT_NE(result.error.value(), 0);
    expectEarlierKept();
}
#else
TEST_F(ImageWriter, FailsWhileWriting) {
    EXPECT_EQ(mergeOnFullDisk(listOf(0, {a, b}), 4096), MergeStatus::ImageWriteFailed);
    expectEarlierKept();
    // /proc refuses new files even to root.
    const MergeResult proc = mergeImage(listOf(0, {a}), false, *outputPathsFor("/proc/zd-test"));
    EXPECT_EQ(proc.status, MergeStatus::ImageCreateFailed);

    // The list file alone does not fit: the new image stays.
    EntryList empties;
    empties.appendEntries(std::vector<NewEntry>(1000, {dir / "empty", 0}));
    writeFile(dir / "empty", "");
    EXPECT_EQ(mergeOnFullDisk(empties, 16 * 1024), MergeStatus::ListWriteFailed);
    EXPECT_EQ(readFile(dir / "out.bin"), "");
    EXPECT_EQ(readFile(dir / "out.h"), "earlier list");
    EXPECT_EQ(test::namesIn(dir.path()), (Names{"a.bin", "b.bin", "empty", "out.bin", "out.h"}));
}
#endif

// The checks before writing pass; the input is then cut or grown while it is
// copied in several chunks.
TEST_F(ImageWriter, AnInputThatChangesDuringTheCopy) {
    writeFile(a, test::patternBytes(4 << 20, 1));
    const EntryList list = listOf(4096, {a, b});
    for (const std::uintmax_t length : {std::uintmax_t{100}, std::uintmax_t{5} << 20}) {
        writeFile(a, test::patternBytes(4 << 20, 1));
        const MergeResult result = mergeImage(list, false, outputs, [&](auto done, auto) {
            if (done > 4096) {
                fs::resize_file(a, length);
            }
            return true;
        });
        EXPECT_EQ(result.status, MergeStatus::InputSizeChanged) << length;
        EXPECT_EQ(result.path, a);
        expectEarlierKept();
    }
}

} // namespace
} // namespace zd

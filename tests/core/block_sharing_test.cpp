// Inputs appended by sharing their blocks where the file system can (XFS
// with reflink, btrfs, each made in a loop file for the test), and copied
// where the blocks run out or the file system refuses: either way the output
// holds the same bytes and the copy reports what the input held. Linux only,
// and root only: the test is left out elsewhere and skipped otherwise.
#include "core/files/file_layer.h"
#include "tests/support/test_files.h"

#include <gtest/gtest.h>

#ifdef __linux__

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <linux/fiemap.h>
#include <linux/fs.h>
#include <optional>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <unistd.h>

namespace zd::files {
namespace {

namespace fs = std::filesystem;

constexpr std::uint64_t kMiB = std::uint64_t{1} << 20;

using Outcome = std::tuple<std::uint64_t, std::uint64_t, bool>; // copied, shared, more

// Bytes of `path` in extents that its file system marks as shared with
// another file (FIEMAP, up to 256 extents: the test's files have a few),
// after its pending writes are flushed; -1 when the file system cannot tell.
std::int64_t sharedBytes(const std::string& path) {
    constexpr unsigned kExtents = 256;
    std::vector<unsigned char> buffer(sizeof(fiemap) + kExtents * sizeof(fiemap_extent));
    auto* map = reinterpret_cast<fiemap*>(buffer.data());
    map->fm_length = FIEMAP_MAX_OFFSET;
    map->fm_flags = FIEMAP_FLAG_SYNC;
    map->fm_extent_count = kExtents;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    const bool mapped = ::ioctl(fd, FS_IOC_FIEMAP, map) == 0;
    ::close(fd);
    std::int64_t shared = 0;
    for (unsigned i = 0; i < map->fm_mapped_extents; ++i) {
        const fiemap_extent& extent = map->fm_extents[i];
        shared += extent.fe_flags & FIEMAP_EXTENT_SHARED ? std::int64_t(extent.fe_length) : 0;
    }
    return mapped ? shared : -1;
}

// A file system of 300 MiB made by the parameter (a command and its options,
// the loop file appended) in a sparse file, mounted at mnt/ for the test.
class BlockSharing : public testing::TestWithParam<const char*> {
  protected:
    void SetUp() override {
        // The process's own copy of the mounts, so that a test killed before
        // its unmount takes its mount (and the loop device) with it.
        if (::geteuid() != 0) {
            GTEST_SKIP() << "needs root to mount a file system";
        }
        if (::unshare(CLONE_NEWNS) != 0 ||
            ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
            GTEST_SKIP() << "cannot have mounts of its own: " << std::strerror(errno);
        }
        test::makeSparseFile(dir_ / "fs.img", 300 * kMiB);
        fs::create_directory(test::pathOf(dir_ / "mnt"));
        mounted_ = run(GetParam() + (" '" + dir_ / "fs.img") + "'") &&
                   run("mount -o loop '" + dir_ / "fs.img" + "' '" + dir_ / "mnt" + "'");
        if (!mounted_) {
            GTEST_SKIP() << GetParam() << " cannot be mounted here: " << test::readFile(log_);
        }
    }
    void TearDown() override {
        if (mounted_) { // lazily, should something still hold a file there
            (void)run("umount -l '" + dir_ / "mnt" + "'");
        }
    }
    bool run(const std::string& command) const {
        return std::system((command + " >'" + log_ + "' 2>&1").c_str()) == 0;
    }
    test::TempDir dir_;
    const std::string log_ = dir_ / "fs.log";
    bool mounted_ = false;
};

// An input's whole blocks are shared a piece at a time and the rest copied
// after them: progress counts from the input's start, also when the input is
// cut short after a piece and the copy takes what is left; a stop after any
// piece stops the append, and an input holding more than its listed size is
// told. The output, written up to a block boundary before, holds every byte
// and shares the blocks it says it does.
TEST_P(BlockSharing, WholeBlocksAreSharedPieceByPieceTheRestCopied) {
    const std::string inside = dir_ / "mnt/in", output = dir_ / "mnt/image";
    const std::string content = test::patternBytes(20 * kMiB + 101, 7);
    const std::uint64_t listed = 20 * kMiB + 100; // a tail of no whole block
    const std::string before(kMiB, '\xFF');       // the output's blocks start past it
    const auto canceled = std::make_error_code(std::errc::operation_canceled);
    // clang-format off
    const std::tuple<std::optional<std::uintmax_t>, bool, std::vector<std::uint64_t>, Outcome> runs[] = {
        {{}, false, {16 * kMiB, 20 * kMiB}, {listed, 20 * kMiB, true}},
        {18 * kMiB + 5, false, {16 * kMiB, 17 * kMiB, 18 * kMiB}, {18 * kMiB + 5, 16 * kMiB, false}},
        {{}, true, {16 * kMiB}, {16 * kMiB, 16 * kMiB, false}}};
    // clang-format on
    for (const auto& [cutTo, stop, expectedChunks, expected] : runs) {
        test::writeFile(inside, content);
        Input input;
        Output image;
        ASSERT_FALSE(input.open(inside) || image.createNew(output) ||
                     image.write(before.data(), before.size()));
        std::vector<std::uint64_t> chunks;
        const auto onChunk = [&](std::uint64_t soFar) { // cuts or stops after the first piece
            if (chunks.empty() && cutTo) {
                fs::resize_file(test::pathOf(inside), *cutTo);
            }
            chunks.push_back(soFar);
            return !stop;
        };
        CopyResult result;
        EXPECT_EQ(image.appendFrom(input, listed, result, onChunk),
                  stop ? canceled : std::error_code());
        EXPECT_EQ(Outcome(result.copied, result.shared, result.more), expected);
        EXPECT_FALSE(result.readError);
        EXPECT_EQ(chunks, expectedChunks);
        ASSERT_FALSE(image.close());
        EXPECT_TRUE(test::readFile(output) == before + content.substr(0, result.copied));
        EXPECT_EQ(sharedBytes(output), static_cast<std::int64_t>(result.shared));
        fs::remove(test::pathOf(output));
    }
}

INSTANTIATE_TEST_SUITE_P(FileSystems, BlockSharing,
                         testing::Values("mkfs.xfs -q -m reflink=1", "mkfs.btrfs -q"),
                         [](const auto& info) {
                             return std::string(info.index == 0 ? "XFS" : "btrfs");
                         });

} // namespace
} // namespace zd::files

#endif

// How an input is appended to an image. CRC-32 against zlib's own, and the
// image's CRC from its pieces'; summing an input where it lies while the
// kernel copies it: the CRC-32 of what was copied, and a clean error, not a
// crash, when the input is cut short under the map. Inputs appended by
// sharing their blocks where the file system can (XFS with reflink, btrfs,
// each made in a loop file for the test, on Linux as root only), and copied
// where the blocks run out or the file system refuses: either way the output
// holds the same bytes and the copy reports what the input held.
#include "core/files/file_layer.h"
#include "core/files/output_set.h"
#include "core/files/path_text.h"
#include "core/image/checksum_copy.h"
#include "core/image/crc32.h"
#include "tests/support/test_files.h"

#include <gtest/gtest.h>
#include <optional>
#include <zlib.h>

#ifdef __linux__
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <linux/fiemap.h>
#include <linux/fs.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <unistd.h>
#endif

namespace zd {
namespace {

namespace fs = std::filesystem;

constexpr bool kMapped = !files::kWin32; // inputs are always read on Windows

TEST(ChecksumCopy, VisitInPlaceSeesTheBytesAndSurvivesACutFile) {
    test::TempDir dir;
    const std::string bytes = test::patternBytes(3 * 4096 + 123, 7);
    test::writeFile(dir / "in", bytes);
    files::Input input;
    ASSERT_FALSE(input.open(dir / "in"));
    // The visit's error, else whether it saw bytes[offset, offset + size).
    const auto visit = [&](std::size_t offset, std::size_t size) {
        Crc32 sum;
        const auto add = [](void* to, const unsigned char* at, std::size_t n) {
            static_cast<Crc32*>(to)->update(at, n);
        };
        const std::error_code error = input.visitInPlace(offset, size, add, &sum);
        return error ? error.message()
                     : std::to_string(sum.value() == crc32Of(bytes.substr(offset, size)));
    };
#ifdef _WIN32
    EXPECT_EQ(visit(0, 1), std::make_error_code(std::errc::not_supported).message());
#else
    for (const auto& [offset, size] : {std::pair<std::size_t, std::size_t>{0, bytes.size()},
                                       {4095, 4098},
                                       {5000, 1},
                                       {bytes.size() - 1, 1},
                                       {0, 0}}) {
        EXPECT_EQ(visit(offset, size), "1") << offset << "+" << size;
    }
    // Another program shortens the file: the pages past its new end fault,
    // and later visits still work.
    fs::resize_file(test::pathOf(dir / "in"), 4096);
    EXPECT_EQ(visit(0, bytes.size()), std::make_error_code(std::errc::io_error).message());
    EXPECT_EQ(visit(100, 200), "1");
#endif
}

#ifdef __linux__
// An input moved over an open one closes that one (and the moved-from one
// lets go), so inputs opened in turn never run the process out of handles.
TEST(ChecksumCopy, AnInputMovedOverAnotherClosesIt) {
    test::TempDir dir;
    test::writeFile(dir / "in", "bytes");
    files::Input first, second;
    ASSERT_FALSE(first.open(dir / "in"));
    ASSERT_FALSE(second.open(dir / "in"));
    const files::NativeHandle replaced = first.handle(), moved = second.handle();
    first = std::move(second);
    EXPECT_EQ(::fcntl(replaced, F_GETFD), -1);
    EXPECT_EQ(std::pair(first.handle(), second.handle()), std::pair(moved, files::kNoHandle));
}
#endif

// `bytes` as dir/in, cut to `cutTo` bytes after it was opened, copied with
// its listed `size` into dir/out by the summing copy, or by plain reads that
// show each piece to a CRC; checks what the copy says and the CRC of what it
// wrote.
void checkCopy(const test::TempDir& dir, const std::string& bytes, std::uint64_t size,
               std::uint64_t cutTo, bool byReading, const files::Output::ChunkFn& onChunk,
               std::error_code error, std::uint64_t copied, bool more,
               std::error_code readError = {}) {
    SCOPED_TRACE(testing::Message() << cutTo << (byReading ? " by reading" : " in place"));
    test::writeFile(dir / "in", bytes);
    files::Input input;
    ASSERT_FALSE(input.open(dir / "in"));
    fs::resize_file(test::pathOf(dir / "in"), cutTo);
    files::OutputSet set;
    files::OutputFile* out = nullptr;
    ASSERT_FALSE(set.add(dir / "out", out));
    files::CopyResult result;
    std::uint32_t crc = 0;
    Crc32 read;
    const auto sum = [&](const unsigned char* at, std::size_t n) { read.update(at, n); };
    EXPECT_EQ(byReading ? out->appendByReading(input, size, result, onChunk, sum)
                        : appendSummed(input, *out, size, result, onChunk, crc),
              error);
    ASSERT_FALSE(set.commit());
    const std::string written = test::readFile(dir / "out");
    EXPECT_EQ(std::tuple(result.copied, result.more, result.readError, written.size()),
              std::tuple(copied, more, readError, copied));
    if (!readError && !error) {
        EXPECT_EQ(byReading ? read.value() : crc, crc32Of(written));
    }
}

TEST(ChecksumCopy, CopiesAndSumsExactlyTheListedSize) {
    test::TempDir dir;
    const std::size_t size = (std::size_t{5} << 20) / 2 + 77; // more than two pieces
    const std::string bytes = test::patternBytes(size + 1, 3);
    const auto stopAfterOne = [](std::uint64_t soFar) { return soFar < (1 << 20); };
    for (const bool byReading : {false, true}) {
        for (const auto& [cutTo, copied, more] :
             {std::tuple<std::size_t, std::size_t, bool>{size, size, false},
              {size + 1, size, true},    // the file grew
              {1 << 20, 1 << 20, false}, // shrank past the first piece
              {1000, 1000, false}}) {
            // In place, the first piece is summed before the copy, and faults.
            const bool faults = !byReading && cutTo < 1 << 20 && kMapped;
            checkCopy(dir, bytes, size, cutTo, byReading, {}, {}, copied, more,
                      faults ? std::make_error_code(std::errc::io_error) : std::error_code{});
        }
        // The user's stop after the first piece stops either copy.
        checkCopy(dir, bytes, size, size + 1, byReading, stopAfterOne,
                  std::make_error_code(std::errc::operation_canceled), 1 << 20, false);
    }
}

std::uint32_t zlibCrc(const std::string& bytes) {
    return static_cast<std::uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size())));
}

TEST(Crc32, MatchesZlibInPiecesFilledAndCombined) {
    EXPECT_EQ(crc32Of("123456789"), 0xCBF43926u); // the check value of CRC-32/ISO-HDLC
    EXPECT_EQ(crc32Of(""), 0u);
    const std::string bytes = test::patternBytes(300000, 5);
    Crc32 pieces;
    for (std::size_t at = 0, piece = 1; at < bytes.size(); at += piece, piece = piece * 3 + 1) {
        pieces.update(std::string_view(bytes).substr(at, piece));
    }
    EXPECT_EQ(pieces.value(), zlibCrc(bytes));
    Crc32 filled;
    filled.update("ab");
    filled.updateFill(0xFF, 8193); // two whole blocks and one byte
    EXPECT_EQ(filled.value(), zlibCrc("ab" + std::string(8193, '\xFF')));

    const std::string a = bytes.substr(0, 5000), b = bytes.substr(5000);
    EXPECT_EQ(crc32Combine(crc32Of(a), crc32Of(b), b.size()), zlibCrc(bytes));
    EXPECT_EQ(crc32Combine(crc32Of(a), 0, 0), crc32Of(a));
    // zlib's lengths are 32 bits on Windows, so past 1 GiB the shift goes in
    // steps; where zlib takes the whole length at once, it tells the answer.
    if constexpr (sizeof(z_off_t) >= 8) {
        for (const std::uint64_t length : {1ull << 30, (1ull << 30) + 1, (3ull << 30) + 5}) {
            EXPECT_EQ(crc32Combine(crc32Of(a), crc32Of(b), length),
                      crc32_combine(crc32Of(a), crc32Of(b), static_cast<z_off_t>(length)))
                << length;
        }
    }
}

#ifdef __linux__

using files::CopyResult;
using files::Input;
using files::Output;

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

#endif

} // namespace
} // namespace zd

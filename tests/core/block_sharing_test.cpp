// Inputs appended by sharing their blocks where the file system can (XFS
// with reflink, btrfs, each made in a loop file for the test), and copied
// where it cannot or where the blocks do not line up: either way the output
// holds the same bytes and the copy reports what the input held.
#include "core/files/file_layer.h"
#include "core/files/output_set.h"
#include "tests/support/loop_mount.h"

#include <gtest/gtest.h>

#ifdef __linux__

#include <optional>
#include <sys/vfs.h>

namespace zd::files {
namespace {

namespace fs = std::filesystem;

constexpr std::uint64_t kMiB = std::uint64_t{1} << 20;

using Outcome = std::tuple<std::uint64_t, std::uint64_t, bool>; // copied, shared, more

struct FileSystem {
    const char* name;
    const char* mkfs;
};
void PrintTo(const FileSystem& system, std::ostream* out) {
    *out << system.mkfs;
}

class BlockSharing : public testing::TestWithParam<FileSystem> {
  protected:
    void SetUp() override {
        mount_.emplace(dir_, GetParam().mkfs, 300 * kMiB); // sparse
        if (!mount_->problem().empty()) {
            GTEST_SKIP() << GetParam().name << " cannot be mounted here: " << mount_->problem();
        }
        struct statfs where {};
        ASSERT_EQ(::statfs((*mount_ / "").c_str(), &where), 0);
        block_ = static_cast<std::uint64_t>(where.f_bsize);
    }

    // Appends `size` bytes of a new input `path` holding `content` to `out`,
    // after `skip` bytes read off the input, and the input cut to `cutTo`
    // bytes once open when that is given; `bytes` gets what `out` should.
    template <typename Out>
    Outcome append(Out& out, std::string& bytes, const std::string& path,
                   const std::string& content, std::uint64_t size, std::uint64_t skip = 0,
                   std::optional<std::uintmax_t> cutTo = {}, const Output::ChunkFn& onChunk = {}) {
        test::writeFile(path, content);
        Input input;
        EXPECT_FALSE(input.open(path));
        std::string skipped(skip, '\0');
        std::size_t got = 0;
        EXPECT_FALSE(input.read(skipped.data(), skipped.size(), got));
        if (cutTo) {
            fs::resize_file(test::pathOf(path), *cutTo);
        }
        CopyResult result;
        appendError_ = out.appendFrom(input, size, result, onChunk);
        EXPECT_FALSE(result.readError);
        bytes += content.substr(skip, result.copied);
        return {result.copied, result.shared, result.more};
    }

    test::TempDir dir_;
    std::optional<test::LoopMount> mount_;
    std::uint64_t block_ = 0;
    std::error_code appendError_;
};

// Each input's whole blocks are shared into the output set's temporary when
// both files' positions lie on a block boundary; whatever else is copied.
// The image put in place holds every byte and shares those blocks, and no
// temporary is left beside it.
TEST_P(BlockSharing, WholeBlocksOnBoundariesAreSharedTheRestCopied) {
    const std::uint64_t b = block_;
    int inputs = 0; // each input stays: one written over would leave the image its blocks
    const auto inside = [&] { return *mount_ / ("in" + std::to_string(++inputs)); };
    OutputSet set;
    OutputFile* image = nullptr;
    ASSERT_FALSE(set.add(*mount_ / "image", image));
    std::string bytes;
    const auto pad = [&](std::size_t count) {
        ASSERT_FALSE(image->write(std::string(count, '\xFF')));
        bytes.append(count, '\xFF');
    };
    // From the image's start: its whole blocks shared, the tail copied.
    EXPECT_EQ(append(*image, bytes, inside(), test::patternBytes(3 * b + 100, 1), 3 * b + 100),
              Outcome(3 * b + 100, 3 * b, false));
    // The image's end off a boundary: all copied.
    EXPECT_EQ(append(*image, bytes, inside(), test::patternBytes(2 * b, 2), 2 * b),
              Outcome(2 * b, 0, false));
    pad(b - 100);
    // The input's position off a boundary: all copied.
    EXPECT_EQ(append(*image, bytes, inside(), test::patternBytes(2 * b, 3), 2 * b - 10, 10),
              Outcome(2 * b - 10, 0, false));
    pad(10);
    // An input on another file system, which refuses as one that cannot
    // share does: all copied.
    EXPECT_EQ(append(*image, bytes, dir_ / "elsewhere", test::patternBytes(2 * b, 4), 2 * b),
              Outcome(2 * b, 0, false));
    // An input that holds more than its listed size: told, not written.
    EXPECT_EQ(append(*image, bytes, inside(), test::patternBytes(2 * b + 1, 5), 2 * b),
              Outcome(2 * b, 2 * b, true));
    // An input cut short once open: the file system refuses the blocks it
    // lacks, and the copy takes what is left.
    EXPECT_EQ(append(*image, bytes, inside(), test::patternBytes(4 * b, 6), 4 * b, 0, 2 * b + 5),
              Outcome(2 * b + 5, 0, false));
    ASSERT_FALSE(set.commit());
    EXPECT_EQ(test::readFile(*mount_ / "image"), bytes);
    EXPECT_EQ(test::sharedBytes(*mount_ / "image"), static_cast<std::int64_t>(5 * b));
    EXPECT_EQ(test::namesIn(*mount_ / "").size(), inputs + 1u);
}

// A large input is shared a piece at a time: progress counts from the
// input's start, also when the copy takes over half-way, and a stop after
// any piece stops the append.
TEST_P(BlockSharing, LargeInputsAreSharedPieceByPiece) {
    const std::string inside = *mount_ / "in";
    const std::string content = test::patternBytes(20 * kMiB, 7);
    const auto canceled = std::make_error_code(std::errc::operation_canceled);
    const std::tuple<std::optional<std::uintmax_t>, bool, std::vector<std::uint64_t>, Outcome>
        runs[] = {
            {{}, false, {16 * kMiB, 20 * kMiB}, {20 * kMiB, 20 * kMiB, false}},
            {18 * kMiB + 5,
             false,
             {16 * kMiB, 17 * kMiB, 18 * kMiB},
             {18 * kMiB + 5, 16 * kMiB, false}},
            {{}, true, {16 * kMiB}, {16 * kMiB, 16 * kMiB, false}},
        };
    for (const auto& [cutTo, stop, expectedChunks, expected] : runs) {
        Output image;
        ASSERT_FALSE(image.createNew(*mount_ / "image"));
        std::string bytes;
        std::vector<std::uint64_t> chunks;
        const auto onChunk = [&](std::uint64_t soFar) { // cuts or stops after the first piece
            if (chunks.empty() && cutTo) {
                fs::resize_file(test::pathOf(inside), *cutTo);
            }
            chunks.push_back(soFar);
            return !stop;
        };
        EXPECT_EQ(append(image, bytes, inside, content, content.size(), 0, {}, onChunk), expected);
        EXPECT_EQ(appendError_, stop ? canceled : std::error_code());
        EXPECT_EQ(chunks, expectedChunks);
        ASSERT_FALSE(image.close());
        EXPECT_EQ(test::readFile(*mount_ / "image"), bytes);
        fs::remove(test::pathOf(*mount_ / "image"));
    }
}

INSTANTIATE_TEST_SUITE_P(FileSystems, BlockSharing,
                         testing::Values(FileSystem{"XFS", "mkfs.xfs -q -m reflink=1"},
                                         FileSystem{"btrfs", "mkfs.btrfs -q"}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace zd::files

#endif

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

// Copied, shared, more: what one append reports.
using Outcome = std::tuple<std::uint64_t, std::uint64_t, bool>;

struct FileSystem {
    const char* name;
    const char* mkfs;
    std::uintmax_t size; // sparse: only what is written takes space
};
void PrintTo(const FileSystem& system, std::ostream* out) {
    *out << system.name << " (" << system.mkfs << ")";
}
const FileSystem kXfs{"XFS", "mkfs.xfs -q -m reflink=1", 300 * kMiB};
const FileSystem kBtrfs{"btrfs", "mkfs.btrfs -q", 256 * kMiB};
const FileSystem kXfsWithoutSharing{"XFS", "mkfs.xfs -q -m reflink=0", 300 * kMiB};

// The output's copy and what the test expects it to hold.
struct Image {
    Output out;
    std::string bytes;
};

class SharingTest : public testing::Test {
  protected:
    // Mounts `system`; false (and the test skipped) when it cannot be made.
    bool mount(const FileSystem& system) {
        mount_.emplace(dir_, system.mkfs, system.size);
        if (!mount_->problem().empty()) {
            return false;
        }
        struct statfs where {};
        block_ = ::statfs((*mount_ / "").c_str(), &where) == 0 ? where.f_bsize : 0;
        return block_ > 0;
    }
    std::string skipReason(const FileSystem& system) const {
        return std::string(system.name) + " cannot be mounted here: " + mount_->problem();
    }

    // Appends `size` bytes of the file `path` holding `content` to `image`:
    // after `skip` bytes read off the input, and the input cut to `cutTo`
    // bytes once it is open, when that is given. Reading never fails here;
    // the append's own error is kept in `appendError_`.
    Outcome append(Image& image, const std::string& path, const std::string& content,
                   std::uint64_t size, const Output::ChunkFn& onChunk = {}, std::uint64_t skip = 0,
                   std::optional<std::uintmax_t> cutTo = {}) {
        test::writeFile(path, content);
        Input input;
        CopyResult result;
        EXPECT_FALSE(input.open(path));
        std::string skipped(skip, '\0');
        std::size_t got = 0;
        EXPECT_FALSE(input.read(skipped.data(), skipped.size(), got));
        if (cutTo) {
            fs::resize_file(test::pathOf(path), *cutTo);
        }
        appendError_ = image.out.appendFrom(input, size, result, onChunk);
        EXPECT_FALSE(result.readError);
        image.bytes += content.substr(skip, result.copied);
        return {result.copied, result.shared, result.more};
    }

    test::TempDir dir_;
    std::optional<test::LoopMount> mount_;
    std::uint64_t block_ = 0;
    std::error_code appendError_;
};

class BlockSharing : public SharingTest, public testing::WithParamInterface<FileSystem> {};

// Each input's whole blocks are shared when both files' positions lie on a
// block boundary; whatever else is copied, and the image holds every byte.
TEST_P(BlockSharing, WholeBlocksOnBoundariesAreSharedTheRestCopied) {
    if (!mount(GetParam())) {
        GTEST_SKIP() << skipReason(GetParam());
    }
    const std::uint64_t b = block_;
    // Each input stays as it is: one written over would leave the image
    // the only owner of its earlier blocks.
    int inputs = 0;
    const auto inside = [&] { return *mount_ / ("in" + std::to_string(++inputs)); };
    Image image;
    ASSERT_FALSE(image.out.createNew(*mount_ / "image"));
    const auto pad = [&](std::size_t count) {
        ASSERT_FALSE(image.out.write(std::string(count, '\xFF').data(), count));
        image.bytes.append(count, '\xFF');
    };
    // From the image's start: its whole blocks shared, the tail copied.
    EXPECT_EQ(append(image, inside(), test::patternBytes(3 * b + 100, 1), 3 * b + 100),
              Outcome(3 * b + 100, 3 * b, false));
    // The image's end off a boundary: all copied.
    EXPECT_EQ(append(image, inside(), test::patternBytes(2 * b, 2), 2 * b),
              Outcome(2 * b, 0, false));
    pad(b - 100);
    // The input's position off a boundary: all copied.
    EXPECT_EQ(append(image, inside(), test::patternBytes(2 * b, 3), 2 * b - 10, {}, 10),
              Outcome(2 * b - 10, 0, false));
    pad(10);
    // An input on another file system: all copied.
    EXPECT_EQ(append(image, dir_ / "elsewhere", test::patternBytes(2 * b, 4), 2 * b),
              Outcome(2 * b, 0, false));
    // An input that holds more than its listed size: told, not written.
    EXPECT_EQ(append(image, inside(), test::patternBytes(2 * b + 1, 5), 2 * b),
              Outcome(2 * b, 2 * b, true));
    // An input cut short once open: the file system refuses the blocks it
    // lacks, and the copy takes what is left.
    EXPECT_EQ(append(image, inside(), test::patternBytes(4 * b, 6), 4 * b, {}, 0, 2 * b + 5),
              Outcome(2 * b + 5, 0, false));
    ASSERT_FALSE(image.out.close());
    EXPECT_EQ(test::readFile(*mount_ / "image"), image.bytes);
    EXPECT_EQ(test::sharedBytes(*mount_ / "image"), static_cast<std::int64_t>(5 * b));
}

// A large input is shared a piece at a time: progress counts from the
// input's start, also when the copy takes over half-way, and a stop after
// any piece stops the append.
TEST_P(BlockSharing, LargeInputsAreSharedPieceByPiece) {
    if (!mount(GetParam())) {
        GTEST_SKIP() << skipReason(GetParam());
    }
    const std::string inside = *mount_ / "in";
    const std::string content = test::patternBytes(20 * kMiB, 7);
    struct Run {
        const char* what;
        std::optional<std::uintmax_t> cutTo; // after the first piece
        bool stop;                           // after the first piece
        std::vector<std::uint64_t> chunks;
        Outcome expected;
        std::error_code error;
    };
    const std::vector<Run> runs{
        {"whole", {}, false, {16 * kMiB, 20 * kMiB}, {20 * kMiB, 20 * kMiB, false}, {}},
        {"cut",
         18 * kMiB + 5,
         false,
         {16 * kMiB, 17 * kMiB, 18 * kMiB},
         {18 * kMiB + 5, 16 * kMiB, false},
         {}},
        {"stopped",
         {},
         true,
         {16 * kMiB},
         {16 * kMiB, 16 * kMiB, false},
         std::make_error_code(std::errc::operation_canceled)},
    };
    for (const Run& run : runs) {
        SCOPED_TRACE(run.what);
        const std::string output = *mount_ / (std::string("image-") + run.what);
        Image image;
        ASSERT_FALSE(image.out.createNew(output));
        std::vector<std::uint64_t> chunks;
        const auto onChunk = [&](std::uint64_t soFar) {
            if (chunks.empty() && run.cutTo) {
                fs::resize_file(test::pathOf(inside), *run.cutTo);
            }
            chunks.push_back(soFar);
            return !run.stop;
        };
        EXPECT_EQ(append(image, inside, content, content.size(), onChunk), run.expected);
        EXPECT_EQ(appendError_, run.error);
        EXPECT_EQ(chunks, run.chunks);
        ASSERT_FALSE(image.out.close());
        EXPECT_EQ(test::readFile(output), image.bytes);
        fs::remove(test::pathOf(output)); // room for the next run
    }
}

// The shared blocks go into the output set's temporary, which is flushed
// and renamed into place: the image in place shares them, nothing else is
// left beside it.
TEST_P(BlockSharing, SharedBlocksLandWithTheOutputSet) {
    if (!mount(GetParam())) {
        GTEST_SKIP() << skipReason(GetParam());
    }
    const std::string content = test::patternBytes(18 * kMiB + 100, 8);
    test::writeFile(*mount_ / "in", content);
    const std::string front(4096, '\xFF');
    Input input;
    ASSERT_FALSE(input.open(*mount_ / "in"));
    OutputSet set;
    OutputFile* image = nullptr;
    ASSERT_FALSE(set.add(*mount_ / "image", image));
    ASSERT_FALSE(image->write(front));
    CopyResult result;
    ASSERT_FALSE(image->appendFrom(input, content.size(), result, {}));
    ASSERT_FALSE(set.commit());
    EXPECT_EQ(Outcome(result.copied, result.shared, result.more),
              Outcome(content.size(), 18 * kMiB, false));
    EXPECT_EQ(test::readFile(*mount_ / "image"), front + content);
    EXPECT_EQ(test::sharedBytes(*mount_ / "image"), static_cast<std::int64_t>(18 * kMiB));
    EXPECT_EQ(test::namesIn(*mount_ / ""), (std::vector<std::string>{"image", "in"}));
}

INSTANTIATE_TEST_SUITE_P(FileSystems, BlockSharing, testing::Values(kXfs, kBtrfs),
                         [](const auto& info) { return std::string(info.param.name); });

// Where the file system cannot share, every byte is copied.
TEST_F(SharingTest, AFileSystemThatCannotShareGetsCopies) {
    if (!mount(kXfsWithoutSharing)) {
        GTEST_SKIP() << skipReason(kXfsWithoutSharing);
    }
    Image image;
    ASSERT_FALSE(image.out.createNew(*mount_ / "image"));
    const std::string content = test::patternBytes(3 * block_ + 7, 9);
    EXPECT_EQ(append(image, *mount_ / "in", content, content.size()),
              Outcome(content.size(), 0, false));
    ASSERT_FALSE(image.out.close());
    EXPECT_EQ(test::readFile(*mount_ / "image"), content);
    EXPECT_EQ(test::sharedBytes(*mount_ / "image"), 0);
}

} // namespace
} // namespace zd::files

#endif

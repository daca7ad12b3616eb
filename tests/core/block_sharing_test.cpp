// Inputs appended by sharing their blocks where the file system can (XFS
// with reflink, btrfs, each made in a loop file for the test), and copied
// where the blocks run out or the file system refuses: either way the output
// holds the same bytes and the copy reports what the input held.
#include "core/files/file_layer.h"
#include "tests/support/loop_mount.h"

#include <gtest/gtest.h>

#ifdef __linux__

#include <optional>

namespace zd::files {
namespace {

namespace fs = std::filesystem;

constexpr std::uint64_t kMiB = std::uint64_t{1} << 20;

using Outcome = std::tuple<std::uint64_t, std::uint64_t, bool>; // copied, shared, more

class BlockSharing : public testing::TestWithParam<const char*> {
  protected:
    void SetUp() override {
        mount_.emplace(dir_, GetParam(), 300 * kMiB); // sparse
        if (!mount_->problem().empty()) {
            GTEST_SKIP() << GetParam() << " cannot be mounted here: " << mount_->problem();
        }
    }
    test::TempDir dir_;
    std::optional<test::LoopMount> mount_;
};

// An input's whole blocks are shared a piece at a time and the rest copied
// after them: progress counts from the input's start, also when the input is
// cut short after a piece and the copy takes what is left; a stop after any
// piece stops the append, and an input holding more than its listed size is
// told. The output, written up to a block boundary before, holds every byte
// and shares the blocks it says it does.
TEST_P(BlockSharing, WholeBlocksAreSharedPieceByPieceTheRestCopied) {
    const std::string inside = *mount_ / "in", output = *mount_ / "image";
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
        EXPECT_EQ(test::sharedBytes(output), static_cast<std::int64_t>(result.shared));
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

// A stop asked at any point where a merge with HEX and S-record companions,
// or an unpack, asks for one leaves the folder as it was. The merge asks a
// last time once every output is complete and flushed, just before they
// are put in place, so that a stop during the companions' ends or the
// flush still comes in time.
#include "core/check/image_unpack.h"
#include "core/files/temporary_names.h"
#include "core/firmware/firmware.h"
#include "core/image/image_writer.h"
#include "tests/core/merge_fixture.h"
#include "tests/support/folder_state.h"

#include <gtest/gtest.h>

namespace zd {
namespace {

TEST(StopPoints, AStopAtAnyPointLeavesTheFolderAsItWas) {
    test::TempDir dir;
    std::filesystem::create_directory(dir.path() / "in");
    std::filesystem::create_directory(dir.path() / "out");
    test::writeFile(dir / "in/a.bin", test::patternBytes((1 << 20) + 16, 1));
    test::writeFile(dir / "in/b.bin", test::patternBytes(1000, 2));
    const OutputPaths paths = *outputPathsFor(dir / "out/img");
    test::writeFile(paths.imagePath, "earlier image");
    const EntryList list =
        test::listOf(4096, {{dir / "in/a.bin", (1 << 20) + 16}, {dir / "in/b.bin", 1000}});
    // Padded past one piece, so that a stop also comes while the padding is written.
    MergeOptions options = firmwareMergeOptions({.flashSize = list.layoutEnd() + (1 << 20) + 1,
                                                 .pad = true,
                                                 .ihex = dir / "out/img.hex",
                                                 .srec = dir / "out/img.s19"},
                                                list, paths);
    options.durable = false; // quicker; the stop after the flush is asked all the same
    const auto before = test::folderState(dir.path().string());

    // Bytes in the temporaries (or all files) of `folder`, and in those at the
    // last question.
    const auto bytesIn = [&](const std::string& folder, bool temporaries) {
        std::uint64_t bytes = 0;
        std::error_code none; // a folder not made yet
        for (const auto& entry : std::filesystem::directory_iterator(test::pathOf(folder), none)) {
            const bool temporary = isTemporaryName(test::textOf(entry.path().filename()));
            bytes += temporary == temporaries ? entry.file_size() : 0;
        }
        return bytes;
    };
    std::uint64_t lastSeen = 0;
    int stopAt = 1;
    for (;; ++stopAt) {
        int asked = 0;
        const MergeResult result = mergeImage(
            list, true, paths,
            [&](std::uint64_t, std::uint64_t) {
                lastSeen = bytesIn(dir / "out", true);
                return ++asked != stopAt;
            },
            options);
        if (result.ok()) {
            break;
        }
        ASSERT_EQ(result.status, MergeStatus::Stopped) << stopAt;
        ASSERT_EQ(test::folderState(dir.path().string()), before) << stopAt;
    }
    EXPECT_GT(stopAt, 4);
    EXPECT_EQ(lastSeen, bytesIn(dir / "out", false));

    // Unpack, into a folder it makes: each stop takes back files and folders.
    const auto unpacked = test::folderState(dir.path().string());
    for (stopAt = 1;; ++stopAt) {
        int asked = 0;
        UnpackHooks hooks;
        hooks.stop = [&] {
            lastSeen = bytesIn(dir / "new/deep", true);
            return ++asked == stopAt;
        };
        const UnpackResult result = unpackImage(paths.imagePath, dir / "new/deep", {}, hooks);
        if (result.ok()) {
            break;
        }
        ASSERT_EQ(result.status, UnpackResult::Status::Stopped) << stopAt;
        ASSERT_EQ(test::folderState(dir.path().string()), unpacked) << stopAt;
    }
    EXPECT_GT(stopAt, 4);
    EXPECT_EQ(lastSeen, bytesIn(dir / "new/deep", false)); // asked once all are written
    EXPECT_EQ(test::readFile(dir / "new/deep/002.bin"), test::patternBytes(1000, 2));
}

} // namespace
} // namespace zd

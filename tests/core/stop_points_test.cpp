// A stop asked at any point where a merge with HEX and S-record companions,
// or an unpack, asks for one leaves the folder as it was. The merge asks a
// last time once every output is complete and flushed, just before they
// are put in place, so that a stop during the companions' ends or the
// flush still comes in time.
#include "core/check/image_unpack.h"
#include "core/files/temporary_names.h"
#include "core/firmware/firmware.h"
#include "tests/core/merge_fixture.h"
#include "tests/support/folder_state.h"

namespace zd::test {
namespace {

using StopPoints = MergeTest;

TEST_F(StopPoints, AStopAtAnyPointLeavesTheFolderAsItWas) {
    writeFile(a, patternBytes((1 << 20) + 16, 1));
    fs::create_directory(dir / "out");
    const OutputPaths paths = *outputPathsFor(dir / "out/img");
    writeFile(paths.imagePath, "earlier image");
    const EntryList list = listOf(4096, {a, b});
    MergeOptions options = firmwareMergeOptions(
        {.ihex = dir / "out/img.hex", .srec = dir / "out/img.s19"}, list, paths);
    options.durable = false; // quicker; the stop after the flush is asked all the same

    // Bytes in the temporaries (or all files) of `folder`.
    const auto bytesIn = [&](const std::string& folder, bool temporaries) {
        std::uint64_t bytes = 0;
        std::error_code none; // a folder not made yet
        for (const auto& entry : fs::directory_iterator(pathOf(folder), none)) {
            const bool temporary = isTemporaryName(textOf(entry.path().filename()));
            bytes += temporary == temporaries ? entry.file_size() : 0;
        }
        return bytes;
    };
    // `run` (whether it finished, whether it said it stopped) with a stop at
    // its first question, its second, and so on until it finishes; the
    // temporaries in `folder` at its last question hold all it then wrote.
    const auto stopAtEach = [&](const std::string& folder, const auto& run) {
        const auto before = folderState(dir.path().string());
        std::uint64_t lastSeen = 0;
        int stopAt = 1;
        for (;; ++stopAt) {
            int asked = 0;
            const auto [finished, stopped] = run([&] {
                lastSeen = bytesIn(folder, true);
                return ++asked == stopAt;
            });
            if (finished) {
                break;
            }
            ASSERT_TRUE(stopped) << stopAt;
            ASSERT_EQ(folderState(dir.path().string()), before) << stopAt;
        }
        EXPECT_GT(stopAt, 4);
        EXPECT_EQ(lastSeen, bytesIn(folder, false));
    };
    stopAtEach(dir / "out", [&](const scan::StopFn& stop) {
        const MergeResult result = mergeImage(
            list, true, paths, [&](auto, auto) { return !stop(); }, options);
        return std::pair(result.ok(), result.status == MergeStatus::Stopped);
    });
    // Unpack, into a folder it makes: each stop takes back files and folders.
    stopAtEach(dir / "new/deep", [&](const scan::StopFn& stop) {
        const UnpackResult result = unpackImage(paths.imagePath, dir / "new/deep", {}, {stop, {}});
        return std::pair(result.ok(), result.status == UnpackResult::Status::Stopped);
    });
    EXPECT_EQ(readFile(dir / "new/deep/002.bin"), bbytes);
}

} // namespace
} // namespace zd::test

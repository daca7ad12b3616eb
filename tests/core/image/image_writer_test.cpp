// The merged image byte for byte, the refusals made before any file is
// created, and each input checked on the descriptor it is copied from, with
// exactly its listed size copied or the merge failing naming it; a stop at
// any point leaves the folder as it was.
#include "core/check/check.h"
#include "core/files/output_set.h"
#include "core/files/temporary_names.h"
#include "core/firmware/firmware.h"
#include "core/model/list_file.h"
#include "tests/core/merge_fixture.h"
#include "tests/support/folder_state.h"

#include <cstdint>
#include <sys/stat.h>

namespace zd::test {
namespace {

using ImageWriter = MergeTest;
using Sizes = std::pair<std::uint64_t, std::uint64_t>; // expected, actual

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
        const MergeResult result = mergeImage(list, true, *outputPathsFor(dir / "img"));
        ASSERT_TRUE(result.ok()) << front;
        EXPECT_EQ(result.infoTableWritten, !table.empty()) << front;
        EXPECT_EQ(result.infoTableLeftOut, table.empty()) << front;
        EXPECT_EQ(readFile(dir / "img.bin"), table + std::string(front - table.size(), '\xFF') +
                                                 abytes + (inputs.size() == 2 ? bbytes : ""));
        EXPECT_EQ(readFile(dir / "img.h"), listFileText(list));
    }
}

// Small inputs are gathered and written in large pieces, large ones are
// moved one by one: in any mix and at every size around the line between
// the two, each lands whole at its address, and the image ends with the
// last one.
TEST_F(ImageWriter, ManySmallInputsAndLargeOnesInTurn) {
    std::vector<std::size_t> sizes{65535, 65536, 65537, 0, 1, 3 << 20};
    for (std::size_t i = 0; i < 400; ++i) {
        sizes.push_back(1024 + (i * 977) % 7168); // 1.6 MiB: the gathered bytes fill their buffer
    }
    sizes.insert(sizes.end(), {65537, 10});
    Names inputs;
    std::string expected(4096, '\xFF');
    for (const std::size_t size : sizes) {
        inputs.push_back(dir / ("in" + std::to_string(inputs.size())));
        writeFile(inputs.back(), patternBytes(size, static_cast<unsigned>(inputs.size())));
        expected += readFile(inputs.back());
    }
    ASSERT_TRUE(mergeImage(listOf(4096, inputs), false, outputs).ok());
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
            if (files::isTemporaryName(name) && done == 4096 && fs::file_size(dir / name) == 4096) {
                front = readFile(dir / name);
            }
        }
        return (stoppedAt = done) == 4096;
    };
    EXPECT_EQ(mergeImage(listOf(4096, {dir / "video", a}), true, outputs, progress).status,
              MergeStatus::Stopped);
    EXPECT_EQ(front, le32(4096) + le32(3221225472u) + le32(3221229568u) + le32(1234) +
                         std::string(4080, '\xFF'));
    EXPECT_GT(stoppedAt, 4096u);
    expectEarlierKept({"a.bin", "b.bin", "out.bin", "out.h", "video"});
}

// What a streamed companion sees: every byte of the image, from its own
// pieces, once, as it is written; the failure it reports names it.
class Recorder final : public ImageStream {
  public:
    Recorder(std::string& seen, std::size_t failPast) : seen_(seen), failPast_(failPast) {}
    std::error_code write(const void* data, std::size_t size) override {
        return said(seen_.append(static_cast<const char*>(data), size));
    }
    std::error_code fill(unsigned char byte, std::uint64_t count) override {
        return said(seen_.append(static_cast<std::size_t>(count), static_cast<char>(byte)));
    }
    std::error_code finish() override { return {}; }

  private:
    std::error_code said(const std::string& seen) const {
        return seen.size() > failPast_ ? errc(std::errc::io_error) : std::error_code{};
    }
    std::string& seen_;
    std::size_t failPast_;
};

// A streamed companion sees the whole image in the pass that writes it:
// front area, inputs (a small one and one of many pieces) and padding. A
// stream that fails in an input or the padding, or a stop asked in the
// padding, leaves nothing behind.
TEST_F(ImageWriter, StreamsSeeTheImageAsItIsWrittenAndFailWithIt) {
    const std::string big = dir / "big";
    writeFile(big, patternBytes(3 << 20, 3));
    const EntryList list = listOf(4096, {a, big});
    const std::uint64_t padded = list.layoutEnd() + (1 << 20) + 1; // past one piece of padding
    std::string seen;
    const auto options = [&](std::size_t failPast) {
        seen.clear();
        const auto open = [&seen, failPast](files::OutputFile&) {
            return std::make_unique<Recorder>(seen, failPast);
        };
        return MergeOptions{
            .durable = false, .companions = {{dir / "seen", {}, open}}, .padTo = padded};
    };
    for (const std::size_t failPast : {std::size_t{2} << 20, padded - 1}) {
        EXPECT_EQ(summary(mergeImage(list, true, outputs, {}, options(failPast))),
                  summary(MergeStatus::CompanionFailed, dir / "seen", errc(std::errc::io_error)));
        expectEarlierKept({"a.bin", "b.bin", "big", "out.bin", "out.h"});
    }
    const auto stopInPadding = [&](std::uint64_t done, std::uint64_t total) {
        return done <= list.layoutEnd() || done == total;
    };
    EXPECT_EQ(mergeImage(list, true, outputs, stopInPadding, options(SIZE_MAX)).status,
              MergeStatus::Stopped);
    expectEarlierKept({"a.bin", "b.bin", "big", "out.bin", "out.h"});
    ASSERT_TRUE(mergeImage(list, true, outputs, {}, options(SIZE_MAX)).ok());
    EXPECT_EQ(seen.size(), padded);
    EXPECT_TRUE(seen == readFile(dir / "out.bin")) << "the stream saw other bytes";
}

// Neither output may replace an input, by name or through any link (on
// Windows, by a name that differs in case or separators); whatever an input's
// name leads to when the merge opens it must be a file of its listed size (a
// pipe must not hang the merge); a name the list file cannot carry and a
// layout past 4 GiB are refused too: an image may end at 4 GiB exactly, and no
// file may start there. Each refusal names the input at fault and changes
// nothing, and the dry run finds the same. However a merge ends, it keeps no
// descriptor open (none are counted on Windows): 20,000 inputs would
// otherwise run out of them.
TEST_F(ImageWriter, RefusesAndNamesTheInputAtFault) {
    const auto openCount = [] {
        std::error_code none;
        return files::kWin32 ? 0 : std::distance(fs::directory_iterator("/proc/self/fd", none), {});
    };
    const auto before = openCount();
#ifdef _WIN32
    const std::string other = dir / "OUT.Bin", device = "NUL";
    std::string otherList = dir / "out.h";
    std::replace(otherList.begin(), otherList.end(), '\\', '/');
#else
    const std::string other = dir / "link", otherList = dir / "link.h", device = dir / "pipe";
    fs::create_symlink(dir / "out.bin", other);
    fs::create_symlink("out.h", otherList);
    ASSERT_EQ(::mkfifo(device.c_str(), 0600), 0);
#endif
    fs::create_hard_link(dir / "out.h", dir / "hard");
    fs::create_directory(dir / "folder");
    writeFile(dir / "one", "1");
    writeFile(dir / "none", "");
    const auto afterA = [&](const std::string& path, std::uint32_t size) {
        EntryList list = listOf(0, {a});
        list.appendEntry(path, size, "");
        return list;
    };
    const std::tuple<EntryList, MergeStatus, std::error_code> cases[] = {
        {listOf(0, {a, dir / "out.bin"}), MergeStatus::OutputIsInput, {}},
        {listOf(0, {a, other}), MergeStatus::OutputIsInput, {}},
        {listOf(0, {a, dir / "out.h"}), MergeStatus::ListIsInput, {}},
        {listOf(0, {a, otherList}), MergeStatus::ListIsInput, {}},
        {listOf(0, {a, dir / "hard"}), MergeStatus::ListIsInput, {}},
        {afterA(dir / "two\nlines", 0), MergeStatus::NameNotListable, {}},
        {afterA(dir / "folder", 0), MergeStatus::InputUnreadable, errc(std::errc::is_a_directory)},
        {afterA(dir / "gone", 1), MergeStatus::InputUnreadable,
         errc(std::errc::no_such_file_or_directory)},
        {afterA(b, 4999), MergeStatus::InputSizeChanged, {}},
        {afterA(device, 5), MergeStatus::InputUnreadable, files::FileErrc::NotAFile},
        {listOf(4294967295u, {dir / "none", dir / "one"}), MergeStatus::Ok, {}},
        {listOf(4294967295u, {dir / "one", dir / "none"}), MergeStatus::LayoutTooLarge, {}},
        {listOf(4294966062u, {dir / "none", a}), MergeStatus::Ok, {}},
        {listOf(4294966063u, {dir / "none", a}), MergeStatus::LayoutTooLarge, {}},
        {listOf(4294964829u, {a, a}), MergeStatus::LayoutTooLarge, {}}, // ends at 2^32 + 1
    };
    const Names names = namesIn(dir.path());
    for (const auto& [list, status, error] : cases) {
        SCOPED_TRACE(list.at(1).path + " at " + std::to_string(list.frontOffset()));
        const std::string path = status == MergeStatus::Ok ? "" : list.at(1).path;
        EXPECT_EQ(summary(checkMergeImage(list, outputs)), summary(status, path, error));
        if (status != MergeStatus::Ok) { // else it would write 4 GiB
            const MergeResult result = mergeImage(list, true, outputs);
            EXPECT_EQ(summary(result), summary(status, path, error));
            EXPECT_EQ(Sizes(result.expected, result.actual),
                      path == b ? Sizes(4999, 5000) : Sizes());
        }
    }
    expectEarlierKept(names);
    ASSERT_TRUE(mergeImage(listOf(0, {a, b, a}), false, outputs).ok());
    EXPECT_EQ(openCount(), before);
}

// The checks pass when the input is opened; it is then cut or grown while it
// is copied in several chunks, and the new length is told. Files of /proc and
// /sys report a length (0, 4096) that is not what they hold; the merge says
// so instead of asking to add them again.
TEST_F(ImageWriter, AnInputWhoseLengthIsNotWhatItHolds) {
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

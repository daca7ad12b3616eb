// What a merge promises about its outputs: both files or neither, flushed
// before they are put in place, never over a read-only file, with the
// earlier file's permissions, through links, no temporaries left for good,
// one merge at a time per output, and temporary names that always fit.
#include "list_file.h"
#include "merge_fixture.h"
#include "output_set.h"
#include "posix_child.h"

#include <sys/stat.h>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/syscall.h>
#include <sys/vfs.h>
#endif

namespace zd::test {
namespace {

using Outputs = MergeTest;

std::error_code errc(std::errc code) {
    return std::make_error_code(code);
}

// Whatever fails before or during the renames, neither output changes and
// no temporary stays: the list path is a folder, the disk fills while either
// file is written, or the list file's rename fails after the image's.
TEST_F(Outputs, AFailureChangesNeitherOutput) {
    const EntryList list = listOf(0, {a, b});
    fs::rename(dir / "out.h", dir / "kept.h");
    fs::create_directory(dir / "out.h");
    EXPECT_EQ(
        summary(mergeImage(list, false, outputs)),
        summary(MergeStatus::ListWriteFailed, dir / "out.h", errc(std::errc::is_a_directory)));
    EXPECT_EQ(readFile(dir / "out.bin"), "earlier image");
    fs::remove(dir / "out.h");
    fs::rename(dir / "kept.h", dir / "out.h");

#ifndef _WIN32
    // The list file is written first; 1000 long rows do not fit, the image
    // of 1000 empty files would.
    EntryList empties;
    writeFile(dir / "empty", "");
    empties.appendEntries(std::vector<NewEntry>(1000, {dir / "empty", 0}));
    const std::pair<const EntryList*, MergeStatus> fullDisk[] = {
        {&list, MergeStatus::ImageWriteFailed}, {&empties, MergeStatus::ListWriteFailed}};
    for (const auto& [merged, status] : fullDisk) {
        const auto child = inChild({.fileSizeLimit = 4096},
                                   [&] { return summary(mergeImage(*merged, false, outputs)); });
        ASSERT_TRUE(child);
        EXPECT_EQ(child->said, summary(status,
                                       status == MergeStatus::ImageWriteFailed ? outputs.imagePath
                                                                               : outputs.listPath,
                                       errc(std::errc::file_too_large)));
    }
    fs::remove(dir / "empty");
#endif
    expectEarlierKept();

    // The list path turns into a folder while the inputs are copied: the
    // image's rename has been made and is taken back (an image that did not
    // exist before is removed again).
    for (const bool hadImage : {true, false}) {
        if (!hadImage) {
            fs::remove(dir / "out.bin");
        }
        const auto blockList = [&](std::uint64_t done, std::uint64_t) {
            if (done == 0) {
                fs::remove_all(dir / "out.h");
                fs::create_directory(dir / "out.h");
            }
            return true;
        };
        EXPECT_EQ(
            summary(mergeImage(list, false, outputs, blockList)),
            summary(MergeStatus::ListWriteFailed, dir / "out.h", errc(std::errc::is_a_directory)));
        EXPECT_EQ(hadImage ? readFile(dir / "out.bin") : "gone",
                  fs::exists(dir / "out.bin") ? readFile(dir / "out.bin") : "gone");
        const Names left = hadImage ? Names{"a.bin", "b.bin", "out.bin", "out.h"}
                                    : Names{"a.bin", "b.bin", "out.h"};
        EXPECT_EQ(namesIn(dir.path()), left);
        fs::remove(dir / "out.h");
        writeFile(dir / "out.h", "earlier list");
    }
}

// A companion output lands with the image and the list file, and may read
// the finished image; when it fails, none of the three changes.
TEST_F(Outputs, CompanionsLandWithTheImageOrNotAtAll) {
    const auto copyOfImage = [](OutputFile& out, const OutputFile& image) {
        return out.write(readFile(image.temporary()));
    };
    const auto failing = [](OutputFile&, const OutputFile&) {
        return std::make_error_code(std::errc::io_error);
    };
    const EntryList list = listOf(0, {a});
    const MergeResult failed = mergeImage(
        list, false, outputs, {}, {.durable = false, .companions = {{dir / "out.c", failing}}});
    EXPECT_EQ(summary(failed),
              summary(MergeStatus::CompanionFailed, dir / "out.c", errc(std::errc::io_error)));
    expectEarlierKept();
    ASSERT_TRUE(mergeImage(list, false, outputs, {},
                           {.durable = true, .companions = {{dir / "out.c", copyOfImage}}})
                    .ok());
    EXPECT_EQ(readFile(dir / "out.c"), abytes);
    EXPECT_EQ(readFile(dir / "out.bin"), abytes);
}

#ifndef _WIN32
// Pages of a file not yet on the disk (dirty or being written), from the
// kernel's page cache (Linux 6.5 and later); nothing where it cannot say.
std::optional<std::uint64_t> pagesNotOnDisk(const std::string& path) {
    struct Range {
        std::uint64_t offset, length;
    } range{0, 0};
    struct Stat {
        std::uint64_t cache, dirty, writeback, evicted, recentlyEvicted;
    } stat{};
    const int fd = ::open(path.c_str(), O_RDONLY);
    const long done = ::syscall(451 /* cachestat */, fd, &range, &stat, 0);
    ::close(fd);
    return done == 0 ? std::optional<std::uint64_t>(stat.dirty + stat.writeback) : std::nullopt;
}

// A durable merge has every page of both outputs on the disk before it
// returns; without the flush the kernel writes them later. (New names: ext4
// starts writing a file that replaces another at the rename by itself.)
TEST_F(Outputs, DurableOutputsAreOnTheDiskWhenTheMergeReturns) {
    struct statfs where {};
    ASSERT_EQ(::statfs(dir.path().c_str(), &where), 0);
    if (where.f_type == 0x01021994 /* tmpfs */) {
        GTEST_SKIP() << "the scratch folder is on tmpfs, which has no disk to flush to";
    }
    writeFile(a, patternBytes(1 << 20, 3));
    const EntryList list = listOf(0, {a});
    const OutputPaths loose = *outputPathsFor(dir / "loose");
    const OutputPaths durable = *outputPathsFor(dir / "durable");
    ASSERT_TRUE(
        mergeImage(list, false, loose, {}, MergeOptions{.durable = false, .companions = {}}).ok());
    const auto before = pagesNotOnDisk(loose.imagePath);
    if (!before || *before == 0) {
        GTEST_SKIP() << "the kernel does not tell a file's dirty pages (cachestat, Linux 6.5)";
    }
    ASSERT_TRUE(mergeImage(list, false, durable).ok());
    EXPECT_EQ(pagesNotOnDisk(durable.imagePath), 0u);
    EXPECT_EQ(pagesNotOnDisk(durable.listPath), 0u);
}

// As the user "nobody": an earlier output that is read-only, or that this
// user may not write, is refused though its folder would allow replacing
// it; a folder this user may not write is named as the cause even when the
// image itself could be written. Nothing changes in any case.
TEST_F(Outputs, ReadOnlyEarlierFilesAndFoldersAreRefused) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs root to make files of two users; the test then runs as nobody";
    }
    ASSERT_EQ(::chmod(dir.path().c_str(), 0755), 0);
    fs::create_directory(dir / "mine");
    fs::create_directory(dir / "roots");
    for (const char* name : {"mine/a.bin", "mine/a.h", "mine/b.bin", "mine/b.h", "roots/c.bin"}) {
        writeFile(dir / name, name);
    }
    for (const char* name : {"mine", "mine/a.bin", "mine/a.h", "mine/b.bin", "roots/c.bin"}) {
        ASSERT_EQ(::chown((dir / name).c_str(), kNobody, kNobody), 0);
    }
    ASSERT_EQ(::chmod((dir / "mine/a.bin").c_str(), 0444), 0); // b.h stays root's
    const EntryList list = listOf(0, {a});
    const auto child = inChild({.asNobody = true}, [&] {
        std::string said;
        for (const char* stem : {"mine/a", "mine/b", "roots/c"}) {
            said += summary(mergeImage(list, false, *outputPathsFor(dir / stem))) + "\n";
        }
        return said;
    });
    ASSERT_TRUE(child);
    EXPECT_EQ(
        child->said,
        summary(MergeStatus::ImageCreateFailed, dir / "mine/a.bin", FileErrc::ReadOnly) + "\n" +
            summary(MergeStatus::ListWriteFailed, dir / "mine/b.h", FileErrc::ReadOnly) + "\n" +
            summary(MergeStatus::FolderNotWritable, dir / "roots/",
                    errc(std::errc::permission_denied)) +
            "\n");
    EXPECT_EQ(namesIn(dir / "mine"), (Names{"a.bin", "a.h", "b.bin", "b.h"}));
    EXPECT_EQ(namesIn(dir / "roots"), Names{"c.bin"});
    for (const char* name : {"mine/a.bin", "mine/a.h", "mine/b.bin", "mine/b.h", "roots/c.bin"}) {
        EXPECT_EQ(readFile(dir / name), name);
    }
    // Read-only counts for root too, as it does in an editor.
    fs::permissions(dir / "out.h", fs::perms::owner_read);
    EXPECT_EQ(summary(mergeImage(list, false, outputs)),
              summary(MergeStatus::ListWriteFailed, dir / "out.h", FileErrc::ReadOnly));
    fs::permissions(dir / "out.h", fs::perms::owner_read | fs::perms::owner_write);
    expectEarlierKept({"a.bin", "b.bin", "mine", "out.bin", "out.h", "roots"});
}

// The umask shapes new files only: a replaced file keeps its permission
// bits, and (as root) its owner and group.
TEST_F(Outputs, ReplacingKeepsPermissionsAndOwner) {
    const mode_t umask = ::umask(022);
    ::chmod(outputs.imagePath.c_str(), 0600);
    ::chmod(outputs.listPath.c_str(), 0640);
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(::chown(outputs.imagePath.c_str(), kNobody, kNobody), 0);
    }
    ASSERT_TRUE(mergeImage(listOf(0, {a}), false, outputs).ok());
    ASSERT_TRUE(mergeImage(listOf(0, {a}), false, *outputPathsFor(dir / "fresh")).ok());
    ::umask(umask);
    const auto modeOf = [root](const std::string& path) {
        struct stat info {};
        ::stat(path.c_str(), &info);
        return std::pair(info.st_mode & 07777, root ? info.st_uid : 0);
    };
    EXPECT_EQ(modeOf(outputs.imagePath), std::pair(0600u, root ? kNobody : 0));
    EXPECT_EQ(modeOf(outputs.listPath), std::pair(0640u, 0u));
    EXPECT_EQ(modeOf(dir / "fresh.bin"), std::pair(0644u, 0u));
}

// A merge killed midway leaves its temporaries and nothing else; the next
// merge to the same output removes them, and those of other outputs stay.
TEST_F(Outputs, TemporariesOfAKilledMergeGoWithTheNextMergeToTheSameOutput) {
    const std::string other = ".zd~0123456789abcdef~1-1.tmp";
    writeFile(dir / other, "another output's");
    const EntryList list = listOf(4096, {a, b});
    const auto child = inChild({}, [&] {
        mergeImage(list, false, outputs, [](auto, auto) { return ::raise(SIGKILL) != 0; });
        return std::string("not killed");
    });
    ASSERT_TRUE(child);
    EXPECT_EQ(child->signal, SIGKILL);
    Names left = namesIn(dir.path());
    EXPECT_EQ(left.size(), 7u);
    EXPECT_EQ(std::count_if(left.begin(), left.end(), [](auto& n) { return isTemporaryName(n); }),
              3);
    expectEarlierKept(left);
    ASSERT_TRUE(mergeImage(list, false, outputs).ok());
    EXPECT_EQ(namesIn(dir.path()), (Names{other, "a.bin", "b.bin", "out.bin", "out.h"}));
}

// While a merge writes an output, another merge to it, by any spelling,
// fails at once and changes nothing; other outputs in the folder go ahead.
TEST_F(Outputs, OneMergeAtATimePerOutput) {
    const EntryList list = listOf(0, {a, b});
    fs::create_directory_symlink(dir.path(), dir / "same");
    Names during;
    const auto meanwhile = [&](std::uint64_t done, std::uint64_t) {
        if (done == 0) {
            for (const std::string& stem : {dir / "out", dir / "same/out", dir / "other"}) {
                during.push_back(summary(mergeImage(listOf(0, {b}), false, *outputPathsFor(stem))));
            }
        }
        return true;
    };
    ASSERT_TRUE(mergeImage(list, false, outputs, meanwhile).ok());
    EXPECT_EQ(during,
              (Names{summary(MergeStatus::ImageCreateFailed, dir / "out.bin", FileErrc::InUse),
                     summary(MergeStatus::ImageCreateFailed, dir / "same/out.bin", FileErrc::InUse),
                     summary(MergeStatus::Ok, "")}));
    EXPECT_EQ(readFile(dir / "out.h"), listFileText(list));
}

// A link is written through: the file it leads to gets the new content (a
// missing one is created) and the link stays. A loop, and two outputs that
// lead to one file, are refused.
TEST_F(Outputs, LinksAreWrittenThrough) {
    fs::create_directory(dir / "real");
    writeFile(dir / "real/img.bin", "earlier");
    fs::remove(dir / "out.bin");
    fs::remove(dir / "out.h");
    fs::create_symlink("real/img.bin", dir / "out.bin");
    fs::create_symlink(dir / "real/img.h", dir / "out.h");
    const EntryList list = listOf(0, {a});
    ASSERT_TRUE(mergeImage(list, false, outputs).ok());
    EXPECT_TRUE(fs::is_symlink(dir / "out.bin") && fs::is_symlink(dir / "out.h"));
    EXPECT_EQ(readFile(dir / "real/img.bin"), abytes);
    EXPECT_EQ(readFile(dir / "real/img.h"), listFileText(list));
    EXPECT_EQ(namesIn(dir / "real"), (Names{"img.bin", "img.h"}));

    fs::create_symlink("loop.bin", dir / "loop.bin");
    fs::create_symlink("real/img.bin", dir / "twin.h");
    fs::create_symlink("real/img.bin", dir / "twin.bin");
    EXPECT_EQ(summary(mergeImage(list, false, *outputPathsFor(dir / "loop"))),
              summary(MergeStatus::ImageCreateFailed, dir / "loop.bin",
                      errc(std::errc::too_many_symbolic_link_levels)));
    EXPECT_EQ(summary(mergeImage(list, false, *outputPathsFor(dir / "twin"))),
              summary(MergeStatus::ListWriteFailed, dir / "twin.h", FileErrc::SameTarget));
    EXPECT_EQ(namesIn(dir.path()), (Names{"a.bin", "b.bin", "loop.bin", "out.bin", "out.h", "real",
                                          "twin.bin", "twin.h"}));
}

// The temporary's name does not grow with the target's, so a target whose
// name takes the system's longest (255 bytes) is written.
TEST_F(Outputs, TheLongestNamesAreWritten) {
    const std::string stem = dir / std::string(251, 'n');
    ASSERT_TRUE(mergeImage(listOf(0, {a}), false, *outputPathsFor(stem)).ok());
    EXPECT_EQ(readFile(stem + ".bin"), abytes);
    EXPECT_EQ(writeWholeFile(dir / std::string(256, 'n'), "x"), errc(std::errc::filename_too_long));
}

#endif

} // namespace
} // namespace zd::test

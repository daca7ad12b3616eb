// What a merge promises about its outputs: both files or neither, flushed
// before they are put in place, never over a read-only file, with the
// earlier file's permissions, through links, no temporaries left for good,
// one merge at a time per output, and temporary names that always fit.
#include "core/files/output_set.h"
#include "core/files/temporary_names.h"
#include "core/model/list_file.h"
#include "tests/core/merge_fixture.h"
#include "tests/support/page_cache.h"
#include "tests/support/posix_child.h"

#include <sys/stat.h>

#ifdef _WIN32
#include <windows.h>
#endif

namespace zd::test {
namespace {

using Outputs = MergeTest;

std::error_code errc(std::errc code) {
    return std::make_error_code(code);
}

// Whatever fails before or during the renames, neither output changes and
// no temporary stays: the disk fills while either file is written, or the
// list path turns into a folder while the inputs are copied, after its own
// check and before the renames (the image's rename is then taken back, and
// an image that did not exist before is removed again).
TEST_F(Outputs, AFailureChangesNeitherOutput) {
    const EntryList list = listOf(0, {a, b});
#ifndef _WIN32
    // The list file is written first; 1000 long rows do not fit, the image
    // of 1000 empty files would.
    EntryList empties;
    empties.appendEntries(std::vector<NewEntry>(1000, {a, 0}));
    const std::tuple<const EntryList*, MergeStatus, std::string> fullDisk[] = {
        {&list, MergeStatus::ImageWriteFailed, outputs.imagePath},
        {&empties, MergeStatus::ListWriteFailed, outputs.listPath}};
    for (const auto& [merged, status, path] : fullDisk) {
        const auto child = inChild({.fileSizeLimit = 4096},
                                   [&] { return summary(mergeImage(*merged, false, outputs)); });
        ASSERT_TRUE(child);
        EXPECT_EQ(child->said, summary(status, path, errc(std::errc::file_too_large)));
    }
    expectEarlierKept();
#endif
    const auto blockList = [&](std::uint64_t done, std::uint64_t) {
        if (done == 0) {
            fs::remove_all(dir / "out.h");
            fs::create_directory(dir / "out.h");
        }
        return true;
    };
    for (const std::string image : {"earlier image", ""}) { // "": there was none
        EXPECT_EQ(
            summary(mergeImage(list, false, outputs, blockList)),
            summary(MergeStatus::ListWriteFailed, dir / "out.h", errc(std::errc::is_a_directory)));
        EXPECT_EQ(readFile(dir / "out.bin"), image);
        EXPECT_EQ(namesIn(dir.path()).size(), image.empty() ? 3u : 4u);
        fs::remove(dir / "out.bin");
        fs::remove(dir / "out.h");
        writeFile(dir / "out.h", "earlier list");
    }
}

// A companion output lands with the image and the list file, and may read
// the finished image; when it fails, none of the three changes. It may not
// replace an input either.
TEST_F(Outputs, CompanionsLandWithTheImageOrNotAtAll) {
    const auto copyOfImage = [](OutputFile& out, const MergedImage& image) {
        return out.write(readFile(image.file.temporary()));
    };
    const auto failing = [](OutputFile&, const MergedImage&) { return errc(std::errc::io_error); };
    const EntryList list = listOf(0, {a});
    EXPECT_EQ(summary(mergeImage(list, false, outputs, {},
                                 {.durable = false, .companions = {{dir / "out.c", failing}}})),
              summary(MergeStatus::CompanionFailed, dir / "out.c", errc(std::errc::io_error)));
    expectEarlierKept();
    writeFile(dir / "out.c", "earlier companion");
    fs::create_hard_link(dir / "out.c", dir / "c.bin");
    EXPECT_EQ(mergeImage(listOf(0, {a, dir / "c.bin"}), false, outputs, {},
                         {.durable = false, .companions = {{dir / "out.c", copyOfImage}}})
                  .status,
              MergeStatus::OutputIsInput);
    ASSERT_TRUE(
        mergeImage(list, false, outputs, {}, {.companions = {{dir / "out.c", copyOfImage}}}).ok());
    EXPECT_EQ(readFile(dir / "out.c"), abytes);
    EXPECT_EQ(readFile(dir / "out.bin"), abytes);
}

#ifndef _WIN32
// A durable merge has every page of both outputs on the disk before it
// returns; without the flush the kernel writes them later. (New names: ext4
// starts writing a file that replaces another at the rename by itself.)
TEST_F(Outputs, DurableOutputsAreOnTheDiskWhenTheMergeReturns) {
    if (onTmpfs(dir.path())) {
        GTEST_SKIP() << "the scratch folder is on tmpfs, which has no disk to flush to";
    }
    writeFile(a, patternBytes(1 << 20, 3));
    const EntryList list = listOf(0, {a});
    const OutputPaths loose = *outputPathsFor(dir / "loose"), durable = *outputPathsFor(dir / "d");
    ASSERT_TRUE(mergeImage(list, false, loose, {}, {.durable = false, .companions = {}}).ok());
    const auto before = pagesNotOnDisk(loose.imagePath);
    if (!before || *before == 0) {
        GTEST_SKIP() << "the kernel does not tell a file's dirty pages (cachestat, Linux 6.5)";
    }
    ASSERT_TRUE(mergeImage(list, false, durable).ok());
    EXPECT_EQ(pagesNotOnDisk(durable.imagePath), 0u);
    EXPECT_EQ(pagesNotOnDisk(durable.listPath), 0u);
}
#endif

// An earlier output that is read-only is refused, by root too, as editors
// do. As the user "nobody": one this user may not write is refused though
// its folder would allow replacing it, and a folder this user may not write
// is named as the cause even when the image could be written. Nothing
// changes in any case.
TEST_F(Outputs, ReadOnlyEarlierFilesAndFoldersAreRefused) {
    const EntryList list = listOf(0, {a});
    fs::permissions(dir / "out.h", fs::perms::owner_read);
    EXPECT_EQ(summary(mergeImage(list, false, outputs)),
              summary(MergeStatus::ListWriteFailed, dir / "out.h", FileErrc::ReadOnly));
    expectEarlierKept();
#ifdef _WIN32
    GTEST_SKIP() << "Wine runs as root here and knows no other users to deny a file or folder";
#else
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs root to make files of two users; the test then runs as nobody";
    }
    const char* const files[] = {"mine/a.bin", "mine/a.h", "mine/b.bin", "mine/b.h", "roots/c.bin"};
    fs::create_directory(dir / "mine");
    fs::create_directory(dir / "roots");
    for (const char* name : files) {
        writeFile(dir / name, name);
    }
    for (const char* name : {"mine", "mine/a.bin", "mine/a.h", "mine/b.bin", "roots/c.bin"}) {
        ASSERT_EQ(::chown((dir / name).c_str(), kNobody, kNobody), 0); // b.h stays root's
    }
    ASSERT_EQ(::chmod((dir / "mine/a.bin").c_str(), 0444) | ::chmod(dir.path().c_str(), 0755), 0);
    const auto child = inChild({.asNobody = true}, [&] {
        std::string said;
        for (const char* stem : {"mine/a", "mine/b", "roots/c"}) {
            said += summary(mergeImage(list, false, *outputPathsFor(dir / stem)));
        }
        return said;
    });
    ASSERT_TRUE(child);
    EXPECT_EQ(child->said,
              summary(MergeStatus::ImageCreateFailed, dir / "mine/a.bin", FileErrc::ReadOnly) +
                  summary(MergeStatus::ListWriteFailed, dir / "mine/b.h", FileErrc::ReadOnly) +
                  summary(MergeStatus::FolderNotWritable, dir / "roots/",
                          errc(std::errc::permission_denied)));
    for (const char* name : files) {
        EXPECT_EQ(readFile(dir / name), name);
    }
    EXPECT_EQ(namesIn(dir / "mine").size() + namesIn(dir / "roots").size(), 5u);
#endif
}

#ifndef _WIN32
// The umask shapes new files only: a replaced file keeps its permission
// bits, and (as root) its owner and group. (Windows files have none.)
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

#endif

// A killed merge's temporaries are files nobody holds any more. They are
// made here, beside a living merge's own, under the names another process
// would give them; the next merge to the same output removes them, and
// those of other outputs stay.
TEST_F(Outputs, TemporariesOfAKilledMergeGoWithTheNextMergeToTheSameOutput) {
    const std::string other = ".zd~0123456789abcdef~1-1.tmp";
    writeFile(dir / other, "another output's");
    const EntryList list = listOf(0, {a, b});
    const auto leaveStale = [&](std::uint64_t done, std::uint64_t) {
        for (const std::string& name : namesIn(dir.path())) {
            if (done == 0 && isTemporaryName(name) && name != other) {
                writeFile(dir / name.substr(0, name.rfind('~') + 1) + "99999-1.tmp", "stale");
            }
        }
        return true;
    };
    ASSERT_TRUE(mergeImage(list, false, outputs, leaveStale).ok());
    EXPECT_EQ(namesIn(dir.path()).size(), 7u);
    ASSERT_TRUE(mergeImage(list, false, outputs).ok());
    EXPECT_EQ(namesIn(dir.path()), (Names{other, "a.bin", "b.bin", "out.bin", "out.h"}));
}

#ifdef _WIN32
// An output another program holds open, for reading and writing but not
// deletion, cannot be replaced. Held before the merge, it is refused before
// anything is written, with the system's reason; taken meanwhile, its
// rename fails, and the image, renamed before it, gets its earlier file back.
TEST_F(Outputs, AnOutputHeldOpenByAnotherProgram) {
    HANDLE held = INVALID_HANDLE_VALUE;
    const auto hold = [&held](const std::string& path) {
        held = ::CreateFileW(pathOf(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                             nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        return held != INVALID_HANDLE_VALUE;
    };
    const EntryList list = listOf(0, {a, b});
    ASSERT_TRUE(hold(outputs.imagePath));
    const MergeResult refused = mergeImage(list, false, outputs);
    ::CloseHandle(held);
    EXPECT_EQ(summary(refused),
              summary(MergeStatus::ImageCreateFailed, outputs.imagePath,
                      std::error_code(ERROR_SHARING_VIOLATION, std::system_category())));
    const MergeResult failed = mergeImage(list, false, outputs, [&](std::uint64_t done, auto) {
        return done > 0 || hold(outputs.listPath);
    });
    ::CloseHandle(held);
    EXPECT_EQ(failed.status, MergeStatus::ListWriteFailed);
    EXPECT_EQ(failed.path, outputs.listPath);
    EXPECT_TRUE(failed.error);
    expectEarlierKept();
}
#endif

// While a merge writes an output, another merge to it, by any spelling
// (through a linked folder; on Windows in other letters and separators),
// fails at once and changes nothing; other outputs in the folder go ahead.
TEST_F(Outputs, OneMergeAtATimePerOutput) {
    const EntryList list = listOf(0, {a, b});
#ifdef _WIN32
    std::string same = dir / "OUT";
    std::replace(same.begin(), same.end(), '\\', '/');
#else
    fs::create_directory_symlink(dir.path(), dir / "same");
    const std::string same = dir / "same/out";
#endif
    Names during;
    const auto meanwhile = [&](std::uint64_t done, std::uint64_t) {
        if (done == 0) {
            for (const std::string& stem : {dir / "out", same, dir / "other"}) {
                during.push_back(summary(mergeImage(listOf(0, {b}), false, *outputPathsFor(stem))));
            }
        }
        return true;
    };
    ASSERT_TRUE(mergeImage(list, false, outputs, meanwhile).ok());
    EXPECT_EQ(during,
              (Names{summary(MergeStatus::ImageCreateFailed, dir / "out.bin", FileErrc::InUse),
                     summary(MergeStatus::ImageCreateFailed, same + ".bin", FileErrc::InUse),
                     summary(MergeStatus::Ok, "")}));
    EXPECT_EQ(readFile(dir / "out.h"), listFileText(list));
}

#ifndef _WIN32
// A link is written through: the file it leads to gets the new content (a
// missing one is created) and the link stays. A loop, and two outputs that
// lead to one file, are refused. (Wine makes no symbolic links.)
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
    EXPECT_EQ(readFile(dir / "real/img.bin") + readFile(dir / "real/img.h"),
              abytes + listFileText(list));
    EXPECT_EQ(namesIn(dir / "real"), (Names{"img.bin", "img.h"}));

    fs::create_symlink("loop.bin", dir / "loop.bin");
    fs::create_symlink("real/img.bin", dir / "twin.h");
    fs::create_symlink("real/img.bin", dir / "twin.bin");
    EXPECT_EQ(summary(mergeImage(list, false, *outputPathsFor(dir / "loop"))),
              summary(MergeStatus::ImageCreateFailed, dir / "loop.bin",
                      errc(std::errc::too_many_symbolic_link_levels)));
    EXPECT_EQ(summary(mergeImage(list, false, *outputPathsFor(dir / "twin"))),
              summary(MergeStatus::ListWriteFailed, dir / "twin.h", FileErrc::SameTarget));
    EXPECT_EQ(namesIn(dir.path()).size(), 8u); // a, b, loop, out, real, twin: no temporaries
}
#endif

// The temporary's name does not grow with the target's, so a target whose
// name takes the system's longest (255 bytes) is written.
TEST_F(Outputs, TheLongestNamesAreWritten) {
    const std::string stem = dir / std::string(251, 'n');
    ASSERT_TRUE(mergeImage(listOf(0, {a}), false, *outputPathsFor(stem)).ok());
    EXPECT_EQ(readFile(stem + ".bin"), abytes);
    EXPECT_TRUE(writeWholeFile(dir / std::string(256, 'n'), "x")); // one more is too long
    EXPECT_EQ(namesIn(dir.path()).size(), 6u);
}

} // namespace
} // namespace zd::test

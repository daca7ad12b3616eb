// What a merge promises about its outputs, which the output set keeps: both
// files or neither, flushed before they are put in place, never over a
// read-only file, with the earlier file's permissions, through links, no
// temporaries left for good, and one merge at a time per output. The
// temporaries' names: short whatever the target's name, told apart from every
// user file that merely looks like one; a temporary its writer holds stays.
#include "core/files/file_layer.h"
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
        EXPECT_EQ(*child, summary(status, path, errc(std::errc::file_too_large)));
    }
    expectEarlierKept();
#endif
    const auto blockList = [&](std::uint64_t done, std::uint64_t) {
        return done > 0 || (fs::remove(dir / "out.h") && fs::create_directory(dir / "out.h"));
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
    const auto copyOfImage = [](files::OutputFile& out, const MergedImage& image) {
        return out.write(readFile(image.file->temporary()));
    };
    const auto failing = [](files::OutputFile&, const MergedImage&) {
        return errc(std::errc::io_error);
    };
    const EntryList list = listOf(0, {a});
    EXPECT_EQ(
        summary(mergeImage(list, false, outputs, {}, {.companions = {{dir / "out.c", failing}}})),
        summary(MergeStatus::CompanionFailed, dir / "out.c", errc(std::errc::io_error)));
    expectEarlierKept();
    writeFile(dir / "out.c", "earlier companion");
    fs::create_hard_link(dir / "out.c", dir / "c.bin");
    const MergeOptions copying{.companions = {{dir / "out.c", copyOfImage}}};
    EXPECT_EQ(mergeImage(listOf(0, {a, dir / "c.bin"}), false, outputs, {}, copying).status,
              MergeStatus::OutputIsInput);
    ASSERT_TRUE(mergeImage(list, false, outputs, {}, copying).ok());
    EXPECT_EQ(readFile(dir / "out.c") + readFile(dir / "out.bin"), abytes + abytes);
}

#ifndef _WIN32
// A durable merge has every page of both outputs on the disk before it
// returns, while a file just written has some that the kernel writes later.
// (New names: ext4 starts writing a file that replaces another at the rename
// by itself.)
TEST_F(Outputs, DurableOutputsAreOnTheDiskWhenTheMergeReturns) {
    writeFile(a, patternBytes(1 << 20, 3));
    if (onTmpfs(dir.path()) || pagesNotOnDisk(a).value_or(0) == 0) {
        GTEST_SKIP() << "no dirty pages to see: tmpfs, or no cachestat (Linux 6.5)";
    }
    const OutputPaths durable = *outputPathsFor(dir / "d");
    ASSERT_TRUE(mergeImage(listOf(0, {a}), false, durable).ok());
    EXPECT_EQ(pagesNotOnDisk(durable.imagePath), 0u);
    EXPECT_EQ(pagesNotOnDisk(durable.listPath), 0u);
}
#endif

// An earlier output that is read-only is refused, by root too, as editors
// do. As the user "nobody": a file this user may not write is refused though
// its folder would allow replacing it, and a folder this user may not write
// is named as the cause even when the image could be written. Nothing
// changes in any case.
TEST_F(Outputs, ReadOnlyEarlierFilesAndFoldersAreRefused) {
    const EntryList list = listOf(0, {a});
    fs::permissions(dir / "out.h", fs::perms::owner_read);
    EXPECT_EQ(summary(mergeImage(list, false, outputs)),
              summary(MergeStatus::ListWriteFailed, dir / "out.h", files::FileErrc::ReadOnly));
    expectEarlierKept();
#ifndef _WIN32 // Wine runs as root here and knows no other users
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs root to make files of two users; the test then runs as nobody";
    }
    fs::create_directory(dir / "mine");
    fs::create_directory(dir / "roots");
    for (const char* name : {"mine/b.bin", "mine/b.h", "roots/c.bin"}) {
        writeFile(dir / name, name);
    }
    for (const char* name : {"mine", "mine/b.bin", "roots/c.bin"}) {
        ASSERT_EQ(::chown((dir / name).c_str(), kNobody, kNobody), 0); // b.h stays root's
    }
    ASSERT_EQ(::chmod(dir.path().c_str(), 0755), 0);
    const auto child = inChild({.asNobody = true}, [&] {
        return summary(mergeImage(list, false, *outputPathsFor(dir / "mine/b"))) +
               summary(mergeImage(list, false, *outputPathsFor(dir / "roots/c")));
    });
    ASSERT_TRUE(child);
    EXPECT_EQ(*child,
              summary(MergeStatus::ListWriteFailed, dir / "mine/b.h", files::FileErrc::ReadOnly) +
                  summary(MergeStatus::FolderNotWritable, dir / "roots/",
                          errc(std::errc::permission_denied)));
    EXPECT_EQ(namesIn(dir / "mine").size() + namesIn(dir / "roots").size(), 3u); // no temporary
#endif
}

// While a merge writes an output, another merge to it, by any spelling
// (through a linked folder; on Windows in other letters and separators),
// fails at once and changes nothing; other outputs in the folder go ahead.
// The temporaries a killed merge left (made here beside this merge's own,
// under the names another process would give them) go with the next merge to
// the same output; those of other outputs stay. A name another holder has
// taken (here the next this process gives the image) is passed over.
TEST_F(Outputs, OneMergeAtATimePerOutputAndNoTemporaryStays) {
    const std::string given = files::newTemporaryName("out.bin");
    const std::size_t dash = given.rfind('-') + 1;
    files::Output taken;
    ASSERT_FALSE(taken.createNew(dir / given.substr(0, dash) +
                                 std::to_string(std::stoul(given.substr(dash)) + 1) + ".tmp"));
#ifdef _WIN32
    std::string same = dir / "OUT";
    std::replace(same.begin(), same.end(), '\\', '/');
#else
    const TempDir links;
    fs::create_directory_symlink(dir.path(), links / "same");
    const std::string same = links / "same/out";
#endif
    const std::string other = ".zd~0123456789abcdef~1-1.tmp";
    writeFile(dir / other, "another output's");
    Names during;
    const auto meanwhile = [&](std::uint64_t done, std::uint64_t) {
        for (const std::string& name : done == 0 ? namesIn(dir.path()) : Names{}) {
            if (files::isTemporaryName(name) && name != other) {
                writeFile(dir / name.substr(0, name.rfind('~') + 1) + "99999-1.tmp", "stale");
            }
        }
        for (const std::string& stem : done == 0 ? Names{dir / "out", same, dir / "c"} : Names{}) {
            during.push_back(summary(mergeImage(listOf(0, {b}), false, *outputPathsFor(stem))));
        }
        return true;
    };
    ASSERT_TRUE(mergeImage(listOf(0, {a, b}), false, outputs, meanwhile).ok());
    EXPECT_EQ(
        during,
        (Names{summary(MergeStatus::ImageCreateFailed, dir / "out.bin", files::FileErrc::InUse),
               summary(MergeStatus::ImageCreateFailed, same + ".bin", files::FileErrc::InUse),
               summary(MergeStatus::Ok, "")}));
    EXPECT_EQ(namesIn(dir.path()).size(), 10u); // three of them stale
    ASSERT_FALSE(taken.close());
    ASSERT_TRUE(mergeImage(listOf(0, {a}), false, outputs).ok());
    EXPECT_EQ(namesIn(dir.path()),
              (Names{other, "a.bin", "b.bin", "c.bin", "c.h", "out.bin", "out.h"}));
}

#ifdef _WIN32
// An output another program holds open, for reading and writing but not
// deletion, cannot be replaced: it is refused before anything is written,
// with the system's reason. (A rename that fails meanwhile is taken back as
// any other failure is.)
TEST_F(Outputs, AnOutputHeldOpenByAnotherProgram) {
    const HANDLE held =
        ::CreateFileW(pathOf(outputs.imagePath).c_str(), GENERIC_READ,
                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    const MergeResult refused = mergeImage(listOf(0, {a}), false, outputs);
    ::CloseHandle(held);
    EXPECT_EQ(summary(refused),
              summary(MergeStatus::ImageCreateFailed, outputs.imagePath,
                      std::error_code(ERROR_SHARING_VIOLATION, std::system_category())));
    expectEarlierKept();
}
#endif

#ifndef _WIN32
// Replacing a file keeps what its user made of it: a link is written
// through, the file it leads to gets the new content (a missing one is
// created) and the link stays; the file keeps its permission bits and, as
// root, its owner and group, while the umask shapes new files only. A loop,
// and two outputs that lead to one file, are refused. (Wine makes no
// symbolic links, and Windows files have no such bits.)
TEST_F(Outputs, ReplacingKeepsLinksPermissionsAndOwner) {
    fs::create_directory(dir / "real");
    writeFile(dir / "real/img.bin", "earlier");
    const bool root = ::geteuid() == 0;
    ASSERT_EQ(::chmod((dir / "real/img.bin").c_str(), 0640), 0);
    ASSERT_TRUE(!root || ::chown((dir / "real/img.bin").c_str(), kNobody, kNobody) == 0);
    fs::create_symlink("real/img.bin", dir / "link.bin");
    fs::create_symlink(dir / "real/img.h", dir / "link.h");
    const EntryList list = listOf(0, {a});
    const mode_t umask = ::umask(022);
    ASSERT_TRUE(mergeImage(list, false, *outputPathsFor(dir / "link")).ok());
    ::umask(umask);
    EXPECT_TRUE(fs::is_symlink(dir / "link.bin") && fs::is_symlink(dir / "link.h"));
    EXPECT_EQ(readFile(dir / "real/img.bin") + readFile(dir / "real/img.h"),
              abytes + listFileText(list));
    EXPECT_EQ(namesIn(dir / "real"), (Names{"img.bin", "img.h"}));
    const auto modeAndOwner = [](const std::string& path) {
        struct stat info {};
        ::stat(path.c_str(), &info);
        return std::pair(info.st_mode & 07777, info.st_uid);
    };
    EXPECT_EQ(modeAndOwner(dir / "real/img.bin"), std::pair(0640u, root ? kNobody : ::geteuid()));
    EXPECT_EQ(modeAndOwner(dir / "real/img.h").first, 0644u);

    fs::create_symlink("loop.bin", dir / "loop.bin");
    fs::create_symlink("real/img.bin", dir / "twin.h");
    fs::create_symlink("real/img.bin", dir / "twin.bin");
    EXPECT_EQ(summary(mergeImage(list, false, *outputPathsFor(dir / "loop"))),
              summary(MergeStatus::ImageCreateFailed, dir / "loop.bin",
                      errc(std::errc::too_many_symbolic_link_levels)));
    EXPECT_EQ(summary(mergeImage(list, false, *outputPathsFor(dir / "twin"))),
              summary(MergeStatus::ListWriteFailed, dir / "twin.h", files::FileErrc::SameTarget));
    EXPECT_EQ(namesIn(dir.path()).size(), 10u); // a, b, link, loop, out, real, twin: no temporaries
}
#endif

TEST(TemporaryNames, ShortAndToldFromLookAlikes) {
    const std::string longest(255, 'n'); // the longest file name most systems take
    const std::string name = files::newTemporaryName(longest);
    EXPECT_TRUE(name.starts_with(files::temporaryPrefix(longest)) && files::isTemporaryName(name))
        << name;
    EXPECT_LE(name.size(), 48u);
    // FNV-1a, so that a later version still clears what an earlier one left.
    EXPECT_EQ(files::temporaryKey("a"), "af63dc4c8601ec8c");
    // Windows names ignore case, and so do their temporaries' keys.
    EXPECT_EQ(files::temporaryKey("AZ") == files::temporaryKey("az"), files::kWin32);
    EXPECT_TRUE(files::isTemporaryName(".zd~0123456789abcdef~19-9.tmp"));
    for (const char* lookAlike :
         {".zd~0123456789abcdef_1-1.tmp", ".zd~0123456789abcdef~1-1.txt",
          "zd~0123456789abcdef~1-1.tmp", ".zd~0123456789abcdef~1-x.tmp",
          ".zd~0123456789abcdef~x-1.tmp", ".zd~0123456789abcdef~1-.tmp",
          ".zd~0123456789abcdef~1.tmp", ".zd~0123456789abcdeg~1-1.tmp", ".zd~.tmp", "a.bin"}) {
        EXPECT_FALSE(files::isTemporaryName(lookAlike)) << lookAlike;
    }
}

// A temporary its writer still holds is spared, so that a merge never takes
// away a living merge's file; once closed it goes.
TEST(FileLayer, RemoveUnownedSparesWhatAWriterHolds) {
    test::TempDir dir;
    files::Output held;
    ASSERT_FALSE(held.createNew(dir / "held"));
    EXPECT_EQ(held.createNew(dir / "held"), std::errc::file_exists);
    EXPECT_EQ(files::removeUnowned(dir / "held"), std::errc::device_or_resource_busy);
    EXPECT_TRUE(std::filesystem::exists(dir / "held"));
    ASSERT_FALSE(held.close());
    EXPECT_FALSE(files::removeUnowned(dir / "held"));
    EXPECT_EQ(files::removeUnowned(dir / "held"), std::errc::no_such_file_or_directory);
}

} // namespace
} // namespace zd::test

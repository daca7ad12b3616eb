#include "intake/file_intake.h"
#include "tests/support/posix_child.h"
#include "tests/support/test_files.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace zd {
namespace {

namespace fs = std::filesystem;
using Paths = std::vector<std::string>;

// "path=reason" of each refused file (0 cannot open, 1 not a file, 2 too
// large, 3 empty name, 4 name not listable, 5 folder unreadable), then
// "path:size" of each accepted one.
Paths outcome(const IntakeBatch& batch) {
    Paths seen;
    for (const RefusedFile& file : batch.refused) {
        seen.push_back(file.path + "=" + std::to_string(static_cast<int>(file.reason)));
    }
    for (const NewEntry& entry : batch.accepted) {
        seen.push_back(entry.path + ":" + std::to_string(entry.size));
    }
    return seen;
}

// Sparse files reach the 4 GiB limit without taking disk; a FIFO (a folder
// on Windows) must be refused without waiting on it. Names the list file
// cannot carry (a line feed, a carriage return, bytes that are not UTF-8)
// and the empty name are refused before anything is opened (Windows has no
// such files to open); the rest goes on.
TEST(FileIntake, ProbesFilesAndRefusesWhatCannotBeListed) {
    test::TempDir dir;
    test::makeSparseFile(dir / "largest", 4294967295u);
    test::makeSparseFile(dir / "4gib", 4294967296u);
    const std::string folder = dir / ""; // no path object takes invalid UTF-8 on Windows
    const Paths named{folder + "line\nfeed", folder + "carriage\rreturn", folder + "latin1-\xE9"};
#ifdef _WIN32
    const std::string other = dir / "folder";
    fs::create_directory(test::pathOf(other));
#else
    const std::string other = dir / "pipe";
    ASSERT_EQ(::mkfifo(other.c_str(), 0600), 0);
    for (const std::string& path : named) {
        test::writeFile(path, "x");
    }
#endif
    const IntakeBatch batch = probeFiles(
        {dir / "largest", dir / "4gib", other, "", named[0], named[1], named[2], dir / "missing"});
    EXPECT_EQ(outcome(batch),
              (Paths{dir / "4gib=2", other + "=1", "=3", named[0] + "=4", named[1] + "=4",
                     named[2] + "=4", dir / "missing=0", dir / "largest:4294967295"}));
    EXPECT_EQ(batch.refused.back().error, std::errc::no_such_file_or_directory);
    EXPECT_EQ(folderOf(folder + "a.bin") + "|" + folderOf("a.bin") + "|" + folderOf("/"),
              folder + "||/");
}

// Files only, sorted case-insensitively and then exactly; neither folders
// nor the temporaries of unfinished merges (only their exact pattern). A
// folder among the inputs stands for its files, in its place. (Names equal
// but for case cannot both exist on Windows.)
TEST(FileIntake, ListsFoldersWithoutTemporaries) {
    test::TempDir dir;
    Paths files;
    for (const char* name :
         {".zd~0123456789abcdef_1-1.tmp", ".zd~0123456789abcdef~1-1.txt",
          ".zd~0123456789abcdef~1-x.tmp", ".zd~0123456789abcdef~x.tmp",
          ".zd~0123456789abcdeg~1-1.tmp", "_x", "A.bin", "a.bin", "B.bin", "Z.bin", "中文.dot"}) {
        if (fs::path::preferred_separator == '/' || name != std::string_view("A.bin")) {
            files.push_back(dir / name);
        }
    }
    for (std::size_t i = 0; i < files.size(); ++i) { // not in their order
        test::writeFile(files[(i + 5) % files.size()], "x");
    }
    test::writeFile(dir / ".zd~0123456789abcdef~19-9.tmp", "x");
    fs::create_directory(test::pathOf(dir / "sub"));
    test::writeFile(dir / "sub/inner.bin", "x");
    EXPECT_EQ(listFolder(dir.path().string()).paths, files);
    const FolderListing missing = listFolder(dir / "missing");
    EXPECT_EQ(missing.error, std::errc::no_such_file_or_directory);
    EXPECT_TRUE(missing.paths.empty());

    files.insert(files.begin(), dir / "sub/inner.bin");
    Paths expected{dir / "missing/=0"};
    for (const std::string& path : files) {
        expected.push_back(path + ":1");
    }
    EXPECT_EQ(outcome(takeInputs({dir / "sub", dir / "", dir / "missing/"})), expected);
}

// Links are followed: to a file it is listed, to a folder it is not, and a
// broken one is kept so that the probe names it. A folder this user may not
// list is refused as a whole, the rest goes on.
TEST(FileIntake, LinksAndFoldersThatCannotBeListed) {
#ifdef _WIN32
    GTEST_SKIP() << "Wine makes no symbolic links, and its root may list every folder";
#else
    test::TempDir dir;
    fs::create_directory(dir / "in");
    test::writeFile(dir / "in/file", "12345");
    fs::create_symlink("file", dir / "in/to-file");
    fs::create_symlink("/", dir / "in/to-folder");
    fs::create_symlink("gone", dir / "in/broken");
    EXPECT_EQ(outcome(takeInputs({dir / "in"})),
              (Paths{dir / "in/broken=0", dir / "in/file:5", dir / "in/to-file:5"}));

    fs::create_directory(dir / "closed");
    fs::permissions(dir.path(), fs::perms::all);
    fs::permissions(dir / "closed", fs::perms::owner_all);
    const auto child = test::inChild({.asNobody = true}, [&] {
        const Paths seen = outcome(takeInputs({dir / "closed", dir / "in/file"}));
        return seen[0] + " " + seen[1];
    });
    if (!child) {
        GTEST_SKIP() << "needs root to run as nobody, who may not list the folder";
    }
    EXPECT_EQ(child->said, dir / "closed=5 " + dir / "in/file:5");
#endif
}

} // namespace
} // namespace zd

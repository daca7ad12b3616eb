#include "core/intake/file_intake.h"
#include "tests/support/posix_child.h"
#include "tests/support/test_files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

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
// on Windows) must be refused without waiting on it. A name the list file
// cannot carry and the empty name are refused before anything is looked at
// (Windows has no such file to look at); the rest goes on.
TEST(FileIntake, ProbesFilesAndRefusesWhatCannotBeListed) {
    test::TempDir dir;
    test::makeSparseFile(dir / "largest", 4294967295u);
    test::makeSparseFile(dir / "4gib", 4294967296u);
    const std::string unlisted = dir / "" + "line\nfeed"; // no Windows path takes it
#ifdef _WIN32
    const std::string other = dir / "folder";
    fs::create_directory(test::pathOf(other));
#else
    const std::string other = dir / "pipe";
    ASSERT_EQ(::mkfifo(other.c_str(), 0600), 0);
    test::writeFile(unlisted, "x");
#endif
    const IntakeBatch batch =
        probeFiles({dir / "largest", dir / "4gib", other, "", unlisted, dir / "missing"});
    EXPECT_EQ(outcome(batch), (Paths{dir / "4gib=2", other + "=1", "=3", unlisted + "=4",
                                     dir / "missing=0", dir / "largest:4294967295"}));
    EXPECT_EQ(batch.refused.back().error, std::errc::no_such_file_or_directory);
}

// Files only, sorted case-insensitively and then exactly; neither folders nor
// the temporaries of unfinished merges. Links are followed: to a file it is
// listed, to a folder it is not, and a broken one is kept so that the probe
// names it. A folder among the inputs stands for its files, in its place; one
// this user may not list is refused as a whole. (Names equal but for case
// cannot both exist on Windows, nor can links or other users.)
TEST(FileIntake, ListsFoldersWithoutTemporaries) {
    test::TempDir dir;
    Paths files;
    for (const char* name :
         {".zd~0123456789abcdef~1-1.txt", "_x", "A.bin", "a.bin", "B.bin", "Z.bin", "中文.dot"}) {
        if (fs::path::preferred_separator == '/' || name != std::string_view("A.bin")) {
            files.push_back(dir / name);
        }
    }
    for (std::size_t i = 0; i < files.size(); ++i) { // not in their order
        test::writeFile(files[(i + 3) % files.size()], "x");
    }
    test::writeFile(dir / ".zd~0123456789abcdef~19-9.tmp", "x");
    fs::create_directory(test::pathOf(dir / "sub"));
    test::writeFile(dir / "sub/inner.bin", "x");
    EXPECT_EQ(listFolder(dir / "missing").error, std::errc::no_such_file_or_directory);

    Paths expected{dir / "missing/=0", dir / "sub/inner.bin:1"};
    for (const std::string& path : files) {
        expected.push_back(path + ":1");
    }
#ifndef _WIN32
    fs::create_symlink("gone", dir / "sub/broken");
    fs::create_symlink("inner.bin", dir / "sub/to-file");
    fs::create_symlink("..", dir / "sub/to-folder");
    fs::permissions(dir.path(), fs::perms::all);
    fs::create_directory(dir / "closed");
    fs::permissions(dir / "closed", fs::perms::owner_all);
    const auto child = test::inChild({.asNobody = true}, [&] {
        const Paths seen = outcome(takeInputs({dir / "closed", dir / "sub"}));
        return seen[0] + " " + seen[1] + " " + seen[2];
    });
    if (child) { // root only
        EXPECT_EQ(*child, dir / "closed=5 " + dir / "sub/broken=0 " + dir / "sub/inner.bin:1");
    }
    expected.insert(expected.begin() + 2, dir / "sub/to-file:1");
    expected.insert(expected.begin(), dir / "sub/broken=0");
#endif
    EXPECT_EQ(outcome(takeInputs({dir / "sub", dir / "", dir / "missing/"})), expected);
}

} // namespace
} // namespace zd

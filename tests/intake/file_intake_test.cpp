#include "file_intake.h"
#include "posix_child.h"
#include "test_files.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace zd {
namespace {

namespace fs = std::filesystem;
using Paths = std::vector<std::string>;

Paths refusedOf(const IntakeBatch& batch) {
    Paths refused;
    for (const RefusedFile& file : batch.refused) {
        refused.push_back(file.path + "=" + std::to_string(static_cast<int>(file.reason)));
    }
    return refused;
}

#ifndef _WIN32
// Sparse files reach the 4 GiB limit without taking disk; a FIFO must be
// refused without waiting on it. Names the list file cannot carry (a line
// feed, a carriage return, bytes that are not UTF-8) and the empty name are
// refused before anything is opened; the rest goes on.
TEST(FileIntake, ProbesFilesAndRefusesWhatCannotBeListed) {
    test::TempDir dir;
    test::makeSparseFile(dir / "largest", 4294967295u);
    test::makeSparseFile(dir / "4gib", 4294967296u);
    ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0);
    const Paths named{dir / "line\nfeed", dir / "carriage\rreturn", dir / "latin1-\xE9"};
    for (const std::string& path : named) {
        test::writeFile(path, "x");
    }
    const IntakeBatch batch = probeFiles({dir / "largest", dir / "4gib", dir / "pipe", "", named[0],
                                          named[1], named[2], dir / "missing"});
    ASSERT_EQ(batch.accepted.size(), 1u);
    EXPECT_EQ(batch.accepted[0].size, 4294967295u);
    using R = RefusedFile::Reason;
    const auto code = [](R reason) {
        std::string text = "=";
        text += std::to_string(static_cast<int>(reason));
        return text;
    };
    EXPECT_EQ(refusedOf(batch),
              (Paths{dir / "4gib" + code(R::TooLarge), dir / "pipe" + code(R::NotAFile),
                     code(R::EmptyName), named[0] + code(R::NameNotListable),
                     named[1] + code(R::NameNotListable), named[2] + code(R::NameNotListable),
                     dir / "missing" + code(R::CannotOpen)}));
    EXPECT_EQ(batch.refused.back().error, std::errc::no_such_file_or_directory);
}

#endif

// Files only, sorted case-insensitively and then exactly; neither folders
// nor the temporaries of unfinished merges. A folder among the inputs stands
// for its files, in its place.
TEST(FileIntake, ListsFoldersWithoutTemporaries) {
    test::TempDir dir;
    // Only the exact pattern of a temporary is left out.
    for (const char* name : {"B.bin", "a.bin", "A.bin", "_x", ".zd~0123456789abcdef~19-9.tmp",
                             ".zd~0123456789abcdef~x.tmp", ".zd~0123456789abcdef~1-x.tmp",
                             ".zd~0123456789abcdeg~1-1.tmp", ".zd~0123456789abcdef~1-1.txt",
                             ".zd~0123456789abcdef_1-1.tmp", "sub/inner.bin"}) {
        fs::create_directories(fs::path(dir / name).parent_path());
        test::writeFile(dir / name, name);
    }
    const Paths files{dir / ".zd~0123456789abcdef_1-1.tmp",
                      dir / ".zd~0123456789abcdef~1-1.txt",
                      dir / ".zd~0123456789abcdef~1-x.tmp",
                      dir / ".zd~0123456789abcdef~x.tmp",
                      dir / ".zd~0123456789abcdeg~1-1.tmp",
                      dir / "_x",
                      dir / "A.bin",
                      dir / "a.bin",
                      dir / "B.bin"};
    EXPECT_EQ(listFolder(dir.path().string()).paths, files);
    const FolderListing missing = listFolder(dir / "missing");
    EXPECT_EQ(missing.error, std::errc::no_such_file_or_directory);
    EXPECT_TRUE(missing.paths.empty());

    const IntakeBatch taken = takeInputs({dir / "sub", dir.path().string(), dir / "missing/"});
    Paths accepted;
    for (const NewEntry& entry : taken.accepted) {
        accepted.push_back(entry.path);
    }
    Paths expected{dir / "sub/inner.bin"};
    expected.insert(expected.end(), files.begin(), files.end());
    EXPECT_EQ(accepted, expected);
    ASSERT_EQ(taken.refused.size(), 1u);
    EXPECT_EQ(taken.refused[0].reason, RefusedFile::Reason::CannotOpen);
}

#ifndef _WIN32
// Links are followed: to a file it is listed, to a folder it is not, and a
// broken one is kept so that the probe names it. A folder this user may not
// list is refused as a whole, the rest goes on.
TEST(FileIntake, LinksAndFoldersThatCannotBeListed) {
    test::TempDir dir;
    fs::create_directory(dir / "in");
    test::writeFile(dir / "in/file", "12345");
    fs::create_symlink("file", dir / "in/to-file");
    fs::create_symlink("/", dir / "in/to-folder");
    fs::create_symlink("gone", dir / "in/broken");
    const IntakeBatch batch = takeInputs({dir / "in"});
    ASSERT_EQ(batch.accepted.size(), 2u);
    EXPECT_EQ(batch.accepted[1].path, dir / "in/to-file");
    EXPECT_EQ(batch.accepted[1].size, 5u);
    EXPECT_EQ(refusedOf(batch), Paths{dir / "in/broken=0"});

    fs::create_directory(dir / "closed");
    fs::permissions(dir.path(), fs::perms::all);
    fs::permissions(dir / "closed", fs::perms::owner_all);
    const auto child = test::inChild({.asNobody = true}, [&] {
        const IntakeBatch taken = takeInputs({dir / "closed", dir / "in/file"});
        return std::to_string(taken.accepted.size()) + " " + refusedOf(taken).at(0);
    });
    if (!child) {
        GTEST_SKIP() << "needs root to run as nobody, who may not list the folder";
    }
    EXPECT_EQ(child->said, "1 " + dir / "closed=5");
}
#endif

} // namespace
} // namespace zd

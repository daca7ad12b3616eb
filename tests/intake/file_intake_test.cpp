#include "file_intake.h"

#include "test_files.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace zd {
namespace {

namespace fs = std::filesystem;
using Paths = std::vector<std::string>;

// Sparse files reach the 4 GiB limit without taking disk; a FIFO must be
// refused without opening it, or the probe would hang. A folder is not a
// file either.
TEST(FileIntake, ProbesFilesAndListsAFolder) {
    test::TempDir dir;
    test::makeSparseFile(dir / "largest", 4294967295u);
    test::makeSparseFile(dir / "4gib", 4294967296u);
    fs::create_directory(dir / "sub");
#ifdef _WIN32
    const std::string other = dir / "sub";
#else
    const std::string other = dir / "pipe";
    ASSERT_EQ(::mkfifo(other.c_str(), 0600), 0);
#endif
    const IntakeBatch batch = probeFiles({dir / "largest", dir / "4gib", other});
    ASSERT_EQ(batch.accepted.size(), 1u);
    EXPECT_EQ(batch.accepted[0].size, 4294967295u);
    ASSERT_EQ(batch.refused.size(), 2u);
    EXPECT_EQ(batch.refused[0].path, dir / "4gib");
    EXPECT_EQ(batch.refused[0].reason, RefusedFile::Reason::TooLarge);
    EXPECT_EQ(batch.refused[1].reason, RefusedFile::Reason::NotAFile);

    // Files only, sorted case-insensitively and then exactly (names equal
    // but for case cannot both exist on Windows).
    const Paths names = fs::path::preferred_separator == '/'
                            ? Paths{"B.bin", "a.bin", "A.bin", "_x", "中文.dot"}
                            : Paths{"B.bin", "a.bin", "_x", "中文.dot"};
    for (const std::string& name : names) {
        test::writeFile(dir / name, name);
    }
    Paths listed{dir / "4gib", dir / "_x", dir / "a.bin", dir / "B.bin", dir / "largest",
                 dir / "中文.dot"};
    if (names.size() == 5) {
        listed.insert(listed.begin() + 2, dir / "A.bin");
    }
    EXPECT_EQ(listFolder(test::textOf(dir.path())).paths, listed);
    const FolderListing missing = listFolder(dir / "missing");
    EXPECT_EQ(missing.error, std::errc::no_such_file_or_directory);
    EXPECT_TRUE(missing.paths.empty());
}

} // namespace
} // namespace zd

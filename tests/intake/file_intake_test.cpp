#include "file_intake.h"

#include "test_files.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace zd {
namespace {

namespace fs = std::filesystem;
using Paths = std::vector<std::string>;

// Sparse files reach the 4 GiB limit without taking disk; a FIFO must be
// refused without opening it, or the probe would hang.
TEST(FileIntake, ProbesFilesAndListsAFolder) {
    test::TempDir dir;
    test::makeSparseFile(dir / "largest", 4294967295u);
    test::makeSparseFile(dir / "4gib", 4294967296u);
    ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0);
    const IntakeBatch batch = probeFiles({dir / "largest", dir / "4gib", dir / "pipe"});
    ASSERT_EQ(batch.accepted.size(), 1u);
    EXPECT_EQ(batch.accepted[0].size, 4294967295u);
    ASSERT_EQ(batch.refused.size(), 2u);
    EXPECT_EQ(batch.refused[0].path, dir / "4gib");
    EXPECT_EQ(batch.refused[0].reason, RefusedFile::Reason::TooLarge);

    // Files only, sorted case-insensitively and then exactly.
    for (const char* name : {"B.bin", "a.bin", "A.bin", "_x"}) {
        test::writeFile(dir / name, name);
    }
    fs::create_directory(dir / "sub");
    EXPECT_EQ(listFolder(dir.path().string()).paths,
              (Paths{dir / "4gib", dir / "_x", dir / "A.bin", dir / "a.bin", dir / "B.bin",
                     dir / "largest"}));
    const FolderListing missing = listFolder(dir / "missing");
    EXPECT_EQ(missing.error, std::errc::no_such_file_or_directory);
    EXPECT_TRUE(missing.paths.empty());
}

} // namespace
} // namespace zd

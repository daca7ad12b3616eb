#include "file_intake.h"

#include "test_files.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace zd {
namespace {

namespace fs = std::filesystem;
using Paths = std::vector<std::string>;
using Reason = RefusedFile::Reason;

TEST(ProbeFiles, TakesLengthsInOrderAndNamesWhatItRefuses) {
    test::TempDir dir;
    test::writeFile(dir / "b.bin", std::string(1234, 'b'));
    test::writeFile(dir / "empty", "");
    fs::create_symlink(dir / "b.bin", dir / "link");
    fs::create_directory(dir / "folder");
    fs::create_symlink(dir / "gone", dir / "dangling");
    ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0); // must not hang the probe
    // Sparse: the lengths are real, the disk holds nothing.
    test::makeSparseFile(dir / "largest", 4294967295u);
    test::makeSparseFile(dir / "4gib", 4294967296u);
    const IntakeBatch batch =
        probeFiles({dir / "missing", dir / "b.bin", dir / "folder", dir / "empty", dir / "dangling",
                    dir / "link", dir / "pipe", dir / "largest", dir / "4gib"});

    std::vector<std::pair<std::string, std::uint32_t>> accepted;
    for (const NewEntry& entry : batch.accepted) {
        accepted.emplace_back(entry.path, entry.size);
    }
    EXPECT_EQ(accepted, (std::vector<std::pair<std::string, std::uint32_t>>{
                            {dir / "b.bin", 1234}, {dir / "empty", 0}, {dir / "link", 1234},
                            {dir / "largest", 4294967295u}}));
    std::vector<std::pair<std::string, Reason>> refused;
    for (const RefusedFile& file : batch.refused) {
        refused.emplace_back(file.path, file.reason);
    }
    EXPECT_EQ(refused, (std::vector<std::pair<std::string, Reason>>{
                           {dir / "missing", Reason::CannotOpen},
                           {dir / "folder", Reason::NotAFile},
                           {dir / "dangling", Reason::CannotOpen},
                           {dir / "pipe", Reason::NotAFile},
                           {dir / "4gib", Reason::TooLarge}}));
    EXPECT_EQ(batch.refused[0].error, std::errc::no_such_file_or_directory);
}

// Files only (a broken link is kept for the probe to name), sorted
// case-insensitively and then exactly; "_" (0x5F) sorts before letters.
TEST(ListFolder, TakesFilesOnlyInAFixedOrder) {
    test::TempDir dir;
    for (const char* name : {"B.bin", "a.bin", "c", "A.bin", "_x", "a.bin.bak", ".hidden"}) {
        test::writeFile(dir / name, name);
    }
    fs::create_directory(dir / "old");
    test::writeFile(dir / "old/inner.bin", "not listed");
    fs::create_directory_symlink(dir / "old", dir / "to-old");
    fs::create_symlink(dir / "c", dir / "Z");
    fs::create_symlink(dir / "gone", dir / "broken");
    ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0);

    const FolderListing listing = listFolder(dir.path().string() + "/");
    EXPECT_FALSE(listing.error);
    EXPECT_EQ(listing.paths, (Paths{dir / ".hidden", dir / "_x", dir / "A.bin", dir / "a.bin",
                                    dir / "a.bin.bak", dir / "B.bin", dir / "broken", dir / "c",
                                    dir / "Z"}));
}

TEST(ListFolder, AFolderThatCannotBeListedGivesAnErrorAndNoPaths) {
    test::TempDir dir;
    test::writeFile(dir / "file", "x");
    const FolderListing missing = listFolder(dir / "missing");
    EXPECT_EQ(missing.error, std::errc::no_such_file_or_directory);
    EXPECT_TRUE(missing.paths.empty());
    const FolderListing notAFolder = listFolder(dir / "file");
    EXPECT_EQ(notAFolder.error, std::errc::not_a_directory);
    EXPECT_TRUE(notAFolder.paths.empty());
}

} // namespace
} // namespace zd

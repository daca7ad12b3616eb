#include "file_intake.h"

#include "test_files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace zd {
namespace {

namespace fs = std::filesystem;
using test::TempDir;
using test::writeFile;

using Paths = std::vector<std::string>;

TEST(ListFolder, SortsCaseInsensitivelyThenExactly) {
    TempDir dir;
    for (const char* name : {"B.bin", "a.bin", "c", "A.bin", "_x", "a.bin.bak", "Z"}) {
        writeFile(dir / name, name);
    }
    const FolderListing listing = listFolder(dir.path().string());
    EXPECT_FALSE(listing.error);
    // Letters fold to lower case, so "_" (0x5F) comes before them.
    EXPECT_EQ(listing.paths, (Paths{dir / "_x", dir / "A.bin", dir / "a.bin", dir / "a.bin.bak",
                                    dir / "B.bin", dir / "c", dir / "Z"}));
}

TEST(ListFolder, TakesFilesAndLinksToFilesOnly) {
    TempDir dir;
    writeFile(dir / "logo.bin", "logo");
    writeFile(dir / ".hidden", "hidden");
    fs::create_directory(dir / "old");
    writeFile(dir / "old/inner.bin", "not listed");
    fs::create_directory_symlink(dir / "old", dir / "to-old");
    fs::create_symlink(dir / "logo.bin", dir / "to-logo");
    ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0);

    const FolderListing listing = listFolder(dir.path().string() + "/");
    EXPECT_FALSE(listing.error);
    EXPECT_EQ(listing.paths, (Paths{dir / ".hidden", dir / "logo.bin", dir / "to-logo"}));
}

// A broken link is kept so that probing it names it to the user, rather
// than it vanishing from the folder without a word.
TEST(ListFolder, KeepsABrokenLinkForTheProbeToRefuse) {
    TempDir dir;
    writeFile(dir / "a", "a");
    fs::create_symlink(dir / "gone", dir / "b");
    const FolderListing listing = listFolder(dir.path().string());
    EXPECT_EQ(listing.paths, (Paths{dir / "a", dir / "b"}));
    const IntakeBatch batch = probeFiles(listing.paths);
    ASSERT_EQ(batch.refused.size(), 1u);
    EXPECT_EQ(batch.refused[0].path, dir / "b");
}

TEST(ListFolder, AnEmptyFolderGivesNoPaths) {
    TempDir dir;
    const FolderListing listing = listFolder(dir.path().string());
    EXPECT_FALSE(listing.error);
    EXPECT_TRUE(listing.paths.empty());
}

TEST(ListFolder, AFolderThatCannotBeListedGivesAnErrorAndNoPaths) {
    TempDir dir;
    writeFile(dir / "file", "x");
    const FolderListing missing = listFolder(dir / "missing");
    EXPECT_EQ(missing.error, std::errc::no_such_file_or_directory);
    EXPECT_TRUE(missing.paths.empty());

    const FolderListing notAFolder = listFolder(dir / "file");
    EXPECT_EQ(notAFolder.error, std::errc::not_a_directory);
    EXPECT_TRUE(notAFolder.paths.empty());
}

} // namespace
} // namespace zd

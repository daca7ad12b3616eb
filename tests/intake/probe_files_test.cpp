#include "file_intake.h"

#include "test_files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace zd {
namespace {

namespace fs = std::filesystem;
using test::TempDir;
using test::writeFile;

TEST(ProbeFiles, TakesEachFilesLengthInOrder) {
    TempDir dir;
    writeFile(dir / "b.bin", std::string(1234, 'b'));
    writeFile(dir / "empty", "");
    writeFile(dir / "a.dot", std::string(5000, 'a'));
    fs::create_symlink(dir / "a.dot", dir / "link.dot");
    const IntakeBatch batch =
        probeFiles({dir / "b.bin", dir / "empty", dir / "a.dot", dir / "link.dot", dir / "b.bin"});
    EXPECT_TRUE(batch.refused.empty());
    ASSERT_EQ(batch.accepted.size(), 5u);
    const std::vector<std::pair<std::string, std::uint32_t>> expected{
        {dir / "b.bin", 1234}, {dir / "empty", 0},   {dir / "a.dot", 5000},
        {dir / "link.dot", 5000}, {dir / "b.bin", 1234}};
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(batch.accepted[i].path, expected[i].first);
        EXPECT_EQ(batch.accepted[i].size, expected[i].second);
    }
}

TEST(ProbeFiles, RefusesWhatCannotBeMergedAndNamesIt) {
    TempDir dir;
    writeFile(dir / "good", "12345");
    fs::create_directory(dir / "folder");
    fs::create_symlink(dir / "gone", dir / "dangling");
    ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0); // must not hang the probe
    const IntakeBatch batch = probeFiles(
        {dir / "missing", dir / "folder", dir / "good", dir / "dangling", dir / "pipe"});
    ASSERT_EQ(batch.accepted.size(), 1u);
    EXPECT_EQ(batch.accepted[0].path, dir / "good");
    ASSERT_EQ(batch.refused.size(), 4u);

    EXPECT_EQ(batch.refused[0].path, dir / "missing");
    EXPECT_EQ(batch.refused[0].reason, RefusedFile::Reason::CannotOpen);
    EXPECT_EQ(batch.refused[0].error, std::errc::no_such_file_or_directory);
    EXPECT_EQ(batch.refused[1].path, dir / "folder");
    EXPECT_EQ(batch.refused[1].reason, RefusedFile::Reason::NotAFile);
    EXPECT_EQ(batch.refused[2].path, dir / "dangling");
    EXPECT_EQ(batch.refused[2].reason, RefusedFile::Reason::CannotOpen);
    EXPECT_EQ(batch.refused[3].path, dir / "pipe");
    EXPECT_EQ(batch.refused[3].reason, RefusedFile::Reason::NotAFile);
}

TEST(ProbeFiles, RefusesAFileWithoutReadPermission) {
    if (::geteuid() == 0) {
        GTEST_SKIP() << "root reads files without read permission";
    }
    TempDir dir;
    writeFile(dir / "secret", "x");
    fs::permissions(dir / "secret", fs::perms::none);
    const IntakeBatch batch = probeFiles({dir / "secret"});
    ASSERT_EQ(batch.refused.size(), 1u);
    EXPECT_EQ(batch.refused[0].error, std::errc::permission_denied);
}

// Sparse files: the lengths are real, the disk holds nothing.
TEST(ProbeFiles, RefusesFilesOf4GiBOrMore) {
    TempDir dir;
    ASSERT_TRUE(test::makeSparseFile(dir / "largest", 4294967295u));
    ASSERT_TRUE(test::makeSparseFile(dir / "4gib", 4294967296u));
    ASSERT_TRUE(test::makeSparseFile(dir / "5gib", 5368709120u));
    const IntakeBatch batch = probeFiles({dir / "largest", dir / "4gib", dir / "5gib"});
    ASSERT_EQ(batch.accepted.size(), 1u);
    EXPECT_EQ(batch.accepted[0].size, 4294967295u);
    ASSERT_EQ(batch.refused.size(), 2u);
    EXPECT_EQ(batch.refused[0].path, dir / "4gib");
    EXPECT_EQ(batch.refused[0].reason, RefusedFile::Reason::TooLarge);
    EXPECT_EQ(batch.refused[1].reason, RefusedFile::Reason::TooLarge);
}

} // namespace
} // namespace zd

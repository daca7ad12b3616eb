// The promises of the file layer that the merge's own promises rest on, one
// table per call, so that each system's side can be checked on its own.
#include "core/files/file_layer.h"
#include "tests/support/test_files.h"

#include <gtest/gtest.h>

namespace zd::files {
namespace {

namespace fs = std::filesystem;

// A temporary its writer still holds is spared; once closed it goes.
TEST(FileLayer, RemoveUnownedSparesWhatAWriterHolds) {
    test::TempDir dir;
    Output held;
    ASSERT_FALSE(held.createNew(dir / "held"));
    EXPECT_EQ(held.createNew(dir / "held"), std::errc::file_exists);
    EXPECT_EQ(removeUnowned(dir / "held"), std::errc::device_or_resource_busy);
    EXPECT_TRUE(fs::exists(dir / "held"));
    ASSERT_FALSE(held.close());
    EXPECT_FALSE(removeUnowned(dir / "held"));
    EXPECT_FALSE(fs::exists(dir / "held"));
    EXPECT_EQ(removeUnowned(dir / "held"), std::errc::no_such_file_or_directory);
}

// One holder per key at a time; a lock taken anew lets go of its old key.
// (Keys name this process: the locks are the whole machine's.)
TEST(FileLayer, NamedLockHasOneHolderPerKey) {
    const std::string key = "zd-test-" + std::to_string(processId()) + "-";
    NamedLock first, second;
    ASSERT_FALSE(first.tryLock(key + "a"));
    EXPECT_EQ(second.tryLock(key + "a"), std::errc::device_or_resource_busy);
    EXPECT_FALSE(second.tryLock(key + "b"));
    ASSERT_FALSE(first.tryLock(key + "c"));
    EXPECT_FALSE(second.tryLock(key + "a"));
    second.unlock();
    EXPECT_FALSE(first.tryLock(key + "b"));
}

// Writable or not, a second name, a folder flushed.
TEST(FileLayer, WritableHardLinkAndFolderSync) {
    test::TempDir dir;
    test::writeFile(dir / "file", "x");
    EXPECT_FALSE(checkWritable(dir / "file"));
    EXPECT_EQ(checkWritable(dir / "missing"), std::errc::no_such_file_or_directory);
    fs::permissions(dir / "file", fs::perms::owner_read | fs::perms::group_read);
    EXPECT_EQ(checkWritable(dir / "file"), std::errc::permission_denied); // for root too

    ASSERT_FALSE(hardLink(dir / "file", dir / "second"));
    Status one, two;
    ASSERT_FALSE(statusOf(dir / "file", one));
    ASSERT_FALSE(statusOf(dir / "second", two));
    EXPECT_EQ(one.identity, two.identity);

    EXPECT_FALSE(syncFolder(dir.path().string()));
    EXPECT_TRUE(syncFolder(dir / "missing"));
}

// A listing tells files from folders and others, links followed; a link
// whose target is gone is broken.
TEST(FileLayer, ListFolderTellsWhatEachEntryIs) {
    test::TempDir dir;
    test::writeFile(dir / "file", "x");
    fs::create_directory(dir / "folder");
    std::vector<std::string> expected{"file 0", "folder 1"};
#ifndef _WIN32
    fs::create_symlink("folder", dir / "to-folder");
    fs::create_symlink("gone", dir / "to-gone");
    expected.insert(expected.end(), {"to-folder 1", "to-gone 2 broken"});
#endif
    std::vector<FolderEntry> entries;
    ASSERT_FALSE(listFolder(dir.path().string(), entries));
    std::vector<std::string> found;
    for (const FolderEntry& entry : entries) {
        found.push_back(entry.name + " " + std::to_string(static_cast<int>(entry.kind)) +
                        (entry.broken ? " broken" : ""));
    }
    std::sort(found.begin(), found.end());
    EXPECT_EQ(found, expected);
    EXPECT_TRUE(listFolder(dir / "file", entries));
}

} // namespace
} // namespace zd::files

// A merge's temporaries: names short whatever the target's name, told apart
// from every user file that merely looks like one, and the file layer's
// promise that no merge shows by itself: a temporary its writer holds stays.
#include "core/files/file_layer.h"
#include "core/files/temporary_names.h"
#include "tests/support/test_files.h"

#include <gtest/gtest.h>

namespace zd {
namespace {

TEST(TemporaryNames, ShortAndToldFromLookAlikes) {
    const std::string longest(255, 'n'); // the longest file name most systems take
    const std::string name = newTemporaryName(longest);
    EXPECT_TRUE(name.starts_with(temporaryPrefix(longest)) && isTemporaryName(name)) << name;
    EXPECT_LE(name.size(), 48u);
    // FNV-1a, so that a later version still clears what an earlier one left.
    EXPECT_EQ(temporaryKey("a"), "af63dc4c8601ec8c");
    EXPECT_TRUE(isTemporaryName(".zd~0123456789abcdef~19-9.tmp"));
    for (const char* lookAlike :
         {".zd~0123456789abcdef_1-1.tmp", ".zd~0123456789abcdef~1-1.txt",
          "zd~0123456789abcdef~1-1.tmp", ".zd~0123456789abcdef~1-x.tmp",
          ".zd~0123456789abcdef~x-1.tmp", ".zd~0123456789abcdef~1-.tmp",
          ".zd~0123456789abcdef~1.tmp", ".zd~0123456789abcdeg~1-1.tmp", ".zd~.tmp", "a.bin"}) {
        EXPECT_FALSE(isTemporaryName(lookAlike)) << lookAlike;
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
} // namespace zd

// A promise of the file layer that no merge shows by itself, checked on each
// system's side.
#include "core/files/file_layer.h"
#include "tests/support/test_files.h"

#include <gtest/gtest.h>

namespace zd::files {
namespace {

// A temporary its writer still holds is spared, so that a merge never takes
// away a living merge's file; once closed it goes.
TEST(FileLayer, RemoveUnownedSparesWhatAWriterHolds) {
    test::TempDir dir;
    Output held;
    ASSERT_FALSE(held.createNew(dir / "held"));
    EXPECT_EQ(held.createNew(dir / "held"), std::errc::file_exists);
    EXPECT_EQ(removeUnowned(dir / "held"), std::errc::device_or_resource_busy);
    EXPECT_TRUE(std::filesystem::exists(dir / "held"));
    ASSERT_FALSE(held.close());
    EXPECT_FALSE(removeUnowned(dir / "held"));
    EXPECT_EQ(removeUnowned(dir / "held"), std::errc::no_such_file_or_directory);
}

} // namespace
} // namespace zd::files

// The names of a merge's temporaries: short whatever the target's name, and
// told apart from every user file that merely looks like one.
#include "core/files/temporary_names.h"

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

} // namespace
} // namespace zd

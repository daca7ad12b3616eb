#include "output_names.h"

#include <gtest/gtest.h>

#include <string>

namespace zd {
namespace {

// Cut only when ".bin"/".h" (any case) occurs in the file name, and then at
// its last "."; ".Bin" is not searched for.
TEST(OutputPathsFor, FollowsTheStemRule) {
    const std::string cases[][4] = {
        // confirmed, image, list, save folder
        {"/out/img", "/out/img.bin", "/out/img.h", "/out/"},
        {"/out/img.BIN", "/out/img.bin", "/out/img.h", "/out/"},
        {"/out/img.H", "/out/img.bin", "/out/img.h", "/out/"},
        {"/out/img.Bin", "/out/img.Bin.bin", "/out/img.Bin.h", "/out/"},
        {"/out/img.txt", "/out/img.txt.bin", "/out/img.txt.h", "/out/"},
        {"/out/img.hex", "/out/img.bin", "/out/img.h", "/out/"},
        {"/out/logo.2.bin", "/out/logo.2.bin", "/out/logo.2.h", "/out/"},
        {"/out/a.bin.bak", "/out/a.bin.bin", "/out/a.bin.h", "/out/"},
        {"/rel.bin/img", "/rel.bin/img.bin", "/rel.bin/img.h", "/rel.bin/"},
        {"/img.bin", "/img.bin", "/img.h", "/"},
        {"img.bin", "img.bin", "img.h", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c[0]);
        const auto paths = outputPathsFor(c[0]);
        ASSERT_TRUE(paths.has_value());
        EXPECT_EQ(paths->imagePath, c[1]);
        EXPECT_EQ(paths->listPath, c[2]);
        EXPECT_EQ(paths->saveFolder, c[3]);
    }
    for (const char* noName : {"/out/", "/", ""}) {
        EXPECT_FALSE(outputPathsFor(noName).has_value()) << noName;
    }
}

} // namespace
} // namespace zd

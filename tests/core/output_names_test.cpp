#include "output_names.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zd {
namespace {

struct NameCase {
    std::string confirmed;
    std::string image;
    std::string list;
};

TEST(OutputPathsFor, FollowsTheStemRule) {
    const std::vector<NameCase> cases{
        {"/out/img", "/out/img.bin", "/out/img.h"},
        {"/out/img.bin", "/out/img.bin", "/out/img.h"},
        {"/out/img.BIN", "/out/img.bin", "/out/img.h"},
        {"/out/img.h", "/out/img.bin", "/out/img.h"},
        {"/out/img.H", "/out/img.bin", "/out/img.h"},
        {"/out/img.Bin", "/out/img.Bin.bin", "/out/img.Bin.h"}, // case-sensitive search
        {"/out/img.txt", "/out/img.txt.bin", "/out/img.txt.h"},
        {"/out/img.hex", "/out/img.bin", "/out/img.h"},
        {"/out/img.html", "/out/img.bin", "/out/img.h"},
        {"/out/logo.2.bin", "/out/logo.2.bin", "/out/logo.2.h"},
        {"/out/a.bin.bak", "/out/a.bin.bin", "/out/a.bin.h"}, // cut at the last "." only
        {"/img.bin", "/img.bin", "/img.h"},
        {"img.bin", "img.bin", "img.h"},
        // Only the file name is searched: a dotted folder changes nothing.
        {"/rel.bin/img", "/rel.bin/img.bin", "/rel.bin/img.h"},
    };
    for (const NameCase& c : cases) {
        const auto paths = outputPathsFor(c.confirmed);
        ASSERT_TRUE(paths.has_value()) << c.confirmed;
        EXPECT_EQ(paths->imagePath, c.image) << c.confirmed;
        EXPECT_EQ(paths->listPath, c.list) << c.confirmed;
    }
}

TEST(OutputPathsFor, SplitsOffTheSaveFolder) {
    EXPECT_EQ(outputPathsFor("/out/img.bin")->saveFolder, "/out/");
    EXPECT_EQ(outputPathsFor("/img.bin")->saveFolder, "/");
    EXPECT_EQ(outputPathsFor("img.bin")->saveFolder, "");
}

TEST(OutputPathsFor, RefusesAPathWithoutAFileName) {
    EXPECT_FALSE(outputPathsFor("/out/").has_value());
    EXPECT_FALSE(outputPathsFor("/").has_value());
    EXPECT_FALSE(outputPathsFor("").has_value());
}

} // namespace
} // namespace zd

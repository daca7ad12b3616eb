// How a list file names its files: relative to its own folder where they
// share one, and which names count as absolute.
#include "core/files/path_text.h"
#include "core/model/listed_names.h"

#include <gtest/gtest.h>

namespace zd {
namespace {

TEST(ListedNames, RelativeWhereTheFolderIsShared) {
    // clang-format off
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {"/p/res/logo.bin", "/p/res/", "logo.bin"}, {"/p/res/logo.bin", "/p/res", "logo.bin"},
        {"/p/res/img/a.bin", "/p/", "res/img/a.bin"}, {"/p/res/a.bin", "/p/out/lists/", "../../res/a.bin"},
        {"/p//res/./a.bin", "/p/out", "../res/./a.bin"},
        {"/usr/a.bin", "/p/out/", "/usr/a.bin"}, {"/a.bin", "/", "/a.bin"}, // nothing shared below the root
        {"/p/../a.bin", "/p/", "/p/../a.bin"}, {"/p/a.bin", "/p/x/../", "/p/a.bin"}, // ".." cannot be followed
        {"/p", "/p/", "/p"},                                    // the folder itself is not a file
        {"res/a.bin", "/p/", "res/a.bin"}, {"D:\\res\\a.bin", "/p/", "D:\\res\\a.bin"}, // already relative
        {"/p/res/a.bin", "p/", "/p/res/a.bin"},                 // a folder that is not absolute
        {"/p/a\\b.bin", "/p/", files::kWin32 ? "a/b.bin" : "a\\b.bin"}, // a folder's end on Windows only
    };
    // clang-format on
    for (const auto& [path, folder, want] : cases) {
        EXPECT_EQ(relativeName(path, folder), want) << path << " from " << folder;
    }
    for (const char* absolute :
         {"/a", "\\a", "\\\\server\\share\\a", "C:\\a", "c:a", "Z:/a", "A:", "z:a", "a:b"}) {
        EXPECT_TRUE(isAbsoluteName(absolute)) << absolute;
        EXPECT_EQ(resolveListedName(absolute, "/lists/"), absolute);
    }
    for (const char* relative : {"a.bin", "../a", "1:a", ":a", "", "@:a", "[:a", "`:a", "{:a"}) {
        EXPECT_FALSE(isAbsoluteName(relative)) << relative;
    }
    const std::string sep(1, files::kSeparator); // a relative name joins its folder with it
    EXPECT_EQ(resolveListedName("../a.bin", "/lists"), "/lists" + sep + ".." + sep + "a.bin");
    EXPECT_EQ(folderPartOf("/p/a.bin") + "|" + folderPartOf("a.bin") + "|" + folderPartOf("/"),
              "/p/||/");
}

} // namespace
} // namespace zd

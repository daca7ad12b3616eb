// How a list file names its files: relative to its own folder where they
// share one, which names count as absolute, which names it can carry at all,
// and how any name shows in a message.
#include "core/files/path_text.h"
#include "core/model/file_names.h"
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

TEST(FileNames, CarriedAndShown) {
    // clang-format off
    using namespace std::string_literals;
    const std::tuple<std::string, bool, std::string> names[] = {
        {"/res/logo.bin", true, "/res/logo.bin"}, {"", false, "\"\""},
        {"/a\nb", false, "/a\\nb"}, {"/a\rb\t", false, "/a\\rb\\t"},
        {"/a\xFF\xC3\x28\xED\xA0\x80" "b", false, "/a\\xFF\\xC3(\\xED\\xA0\\x80b"},
        {"/overlong\xC0\xAF", false, "/overlong\\xC0\\xAF"}, {"/cut\xE5\x9B", false, "/cut\\xE5\\x9B"},
        // the largest code point and past it; below the first surrogate, the last
        {"/\xF4\x8F\xBF\xBF\xED\x9F\xBF\xC2\xA0", true, "/\xF4\x8F\xBF\xBF\xED\x9F\xBF\xC2\xA0"},
        // controls: C0, DEL, C1 and the bidirectional ones, each at its ends
        {"/\x01\x1F\x7F\xC2\x80\xC2\x9F\xE2\x80\xAA\xE2\x80\xAE\xE2\x81\xA6\xE2\x81\xA9", true,
         "/\\x01\\x1F\\x7F\\u0080\\u009F\\u202A\\u202E\\u2066\\u2069"},
        {"/a\0b\xE2\x80\xA9\xE2\x80\xAF\xE2\x81\xA5\xE2\x81\xAA"s, false,
         "/a\\x00b\xE2\x80\xA9\xE2\x80\xAF\xE2\x81\xA5\xE2\x81\xAA"},
        {"/\xF4\x90\x80\x80\xED\xBF\xBF", false, "/\\xF4\\x90\\x80\\x80\\xED\\xBF\\xBF"},
        // the first and last of each length; leads that are never good
        {"/e\xDF\xBF\xF0\x90\x80\x80\xEF\xBF\xBD\xEE\x80\x80\xE0\xA0\x80", true,
         "/e\xDF\xBF\xF0\x90\x80\x80\xEF\xBF\xBD\xEE\x80\x80\xE0\xA0\x80"},
        {"/e\xE0\x80\x80\xF5\xC1\xBF", false, "/e\\xE0\\x80\\x80\\xF5\\xC1\\xBF"},
    };
    // clang-format on
    for (const auto& [name, carried, shown] : names) {
        EXPECT_EQ(listFileCanCarry(name), carried) << shown;
        EXPECT_EQ(printableName(name), shown);
    }
}

} // namespace
} // namespace zd

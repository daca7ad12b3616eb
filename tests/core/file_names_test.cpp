// Which names the list file can carry, and how any name shows in a message.
#include "core/model/file_names.h"

#include <gtest/gtest.h>

namespace zd {
namespace {

TEST(FileNames, CarriedAndShown) {
    // clang-format off
    const std::tuple<std::string, bool, std::string> names[] = {
        {"/res/logo.bin", true, "/res/logo.bin"}, {"", false, "\"\""},
        {"/a\nb", false, "/a\\nb"}, {"/a\rb\t", false, "/a\\rb\\t"},
        {"/a\xFF\xC3\x28\xED\xA0\x80" "b", false, "/a\\xFF\\xC3(\\xED\\xA0\\x80b"},
        {"/overlong\xC0\xAF", false, "/overlong\\xC0\\xAF"}, {"/cut\xE5\x9B", false, "/cut\\xE5\\x9B"},
        // the largest code point and past it; below the first surrogate, the last
        {"/\xF4\x8F\xBF\xBF\xED\x9F\xBF\xC2\x80", true, "/\xF4\x8F\xBF\xBF\xED\x9F\xBF\xC2\x80"},
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

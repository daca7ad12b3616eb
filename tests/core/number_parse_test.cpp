#include "number_parse.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace zd {
namespace {

TEST(ParseFrontOffset, ConvertsAsTheApplyButtonDoes) {
    const std::vector<std::pair<std::string, std::uint32_t>> cases{
        {"4096", 4096u},
        {"0x1000", 4096u},
        {"0X1000", 4096u},
        {"0xfFfF", 65535u},
        {"  4096", 4096u},
        {"\t\n 12", 12u},
        {"010", 8u},
        {"08", 0u},
        {"0", 0u},
        {"12abc", 12u},
        {"abc", 0u},
        {"", 0u},
        {"   ", 0u},
        {"-1", 4294967295u},
        {"-4096", 4294963200u},
        {"-0x10", 4294967280u},
        {"99999999999", 4294967295u},
        {"4294967295", 4294967295u},
        {"4294967296", 4294967295u},
        {"0x100000000", 4294967295u},
        {"0x", 0u},
        {"0xg", 0u},
        {"+5", 5u},
        {"+", 0u},
        {"- 5", 0u},
        {"1 2", 1u},
    };
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(parseFrontOffset(text), expected) << "text: \"" << text << "\"";
    }
}

TEST(ParseCount, ReadsUnsigned32BitDecimalOrNothing) {
    EXPECT_EQ(parseCount(" 1234"), std::optional<std::uint32_t>(1234u));
    EXPECT_EQ(parseCount("\t1"), std::optional<std::uint32_t>(1u));
    EXPECT_EQ(parseCount("+7"), std::optional<std::uint32_t>(7u));
    EXPECT_EQ(parseCount("4294967295"), std::optional<std::uint32_t>(4294967295u));
    EXPECT_EQ(parseCount("2147483648"), std::optional<std::uint32_t>(2147483648u));
    EXPECT_EQ(parseCount("12;"), std::optional<std::uint32_t>(12u));
    EXPECT_EQ(parseCount("010"), std::optional<std::uint32_t>(10u)); // always decimal
    EXPECT_EQ(parseCount("4294967296"), std::nullopt);
    EXPECT_EQ(parseCount("-1"), std::nullopt);
    EXPECT_EQ(parseCount(" abc"), std::nullopt);
    EXPECT_EQ(parseCount(""), std::nullopt);
    EXPECT_EQ(parseCount("+"), std::nullopt);
}

} // namespace
} // namespace zd

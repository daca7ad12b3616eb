#include "number_parse.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>

namespace zd {
namespace {

TEST(NumberParse, FrontOffsetConvertsAsTheApplyButtonDoes) {
    const std::pair<std::string, std::uint32_t> cases[] = {
        {"4096", 4096u},        {"0x1000", 4096u},       {"0XfFfF", 65535u},
        {"\t\n 12", 12u},       {"010", 8u},             {"08", 0u},
        {"12abc", 12u},         {"abc", 0u},             {"", 0u},
        {"-1", 4294967295u},    {"-0x10", 4294967280u},  {"99999999999", 4294967295u},
        {"4294967296", 4294967295u}, {"0x100000000", 4294967295u}, {"0xg", 0u},
        {"+5", 5u},             {"- 5", 0u},             {"1 2", 1u},
    };
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(parseFrontOffset(text), expected) << "\"" << text << "\"";
    }
}

TEST(NumberParse, CountIsUnsigned32BitDecimalOrNothing) {
    const std::pair<std::string, std::optional<std::uint32_t>> cases[] = {
        {" 1234", 1234u}, {"+7", 7u},  {"4294967295", 4294967295u}, {"12;", 12u},
        {"010", 10u},     {"4294967296", std::nullopt}, {"-1", std::nullopt},
        {" abc", std::nullopt}, {"", std::nullopt},      {"+", std::nullopt},
    };
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(parseCount(text), expected) << "\"" << text << "\"";
    }
}

} // namespace
} // namespace zd

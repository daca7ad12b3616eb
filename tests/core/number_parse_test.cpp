// Numbers as the user types them and as list files and the command line
// hold them.
#include "core/model/number_parse.h"

#include <gtest/gtest.h>

namespace zd {
namespace {

// The apply button's loose form: blanks, a sign, C's bases, the rest ignored,
// clamped to 32 bits. A list file's count: decimal only, nothing past 32 bits.
// (The fuzz corpus replay holds the common forms: "4096", "-1", "08", "0x"...)
TEST(NumberParse, FrontOffsetAndCount) {
    // clang-format off
    const std::pair<const char*, std::uint32_t> offsets[] = {
        {"0XfFfF", 65535u}, {"010", 8u}, {"", 0u}, {"\v\f\r\n\t 7", 7u}, {"0x100000000", 4294967295u}};
    const std::pair<const char*, std::optional<std::uint32_t>> counts[] = {
        {" 1234", 1234u}, {"+12", 12u}, {"4294967295", 4294967295u}, {"010", 10u},
        {"4294967296", std::nullopt}, {" abc", std::nullopt}, {"+", std::nullopt}};
    // clang-format on
    for (const auto& [text, expected] : offsets) {
        EXPECT_EQ(parseFrontOffset(text), expected) << '"' << text << '"';
    }
    for (const auto& [text, expected] : counts) {
        EXPECT_EQ(parseCount(text), expected) << '"' << text << '"';
    }
}

// The command line's strict form: the whole text is the number, with an
// optional K or M; a value past 64 bits saturates so that it reads as too
// large, not as malformed.
TEST(NumberParse, ByteCount) {
    constexpr std::uint64_t kSaturated = ~std::uint64_t{0};
    // clang-format off
    const std::pair<const char*, std::optional<std::uint64_t>> cases[] = {
        {"0x9", 9u}, {"0XfF", 255u}, {"010", 8u}, {"0", 0u}, {"00", 0u}, {"0x0", 0u},
        {"4K", 4096u}, {"4k", 4096u}, {"1M", 1048576u}, {"3m", 3145728u}, {"4096M", 4294967296u},
        {"99999999999999999999", kSaturated}, {"17592186044416M", kSaturated},
        {"18014398509481983K", 18446744073709550592u}, {"", std::nullopt}, {" 1", std::nullopt},
        {"+1", std::nullopt}, {"12abc", std::nullopt}, {"4G", std::nullopt}, {"4KB", std::nullopt},
        {"K", std::nullopt}};
    // clang-format on
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(parseByteCount(text), expected) << '"' << text << '"';
    }
}

} // namespace
} // namespace zd

// Texts the user types or confirms, turned into numbers and output paths.
#include "core/model/number_parse.h"
#include "core/model/output_names.h"

#include <gtest/gtest.h>

namespace zd {
namespace {

TEST(NumberParse, FrontOffsetAndCount) {
    const std::pair<const char*, std::uint32_t> offsets[] = {
        {"4096", 4096u},
        {"0x1000", 4096u},
        {"0XfFfF", 65535u},
        {"\t 12", 12u},
        {"010", 8u},
        {"08", 0u},
        {"12abc", 12u},
        {"", 0u},
        {"\v\f\r\n 7", 7u},
        {"-1", 4294967295u},
        {"99999999999", 4294967295u},
        {"0x100000000", 4294967295u},
    };
    for (const auto& [text, expected] : offsets) {
        EXPECT_EQ(parseFrontOffset(text), expected) << '"' << text << '"';
    }
    const std::pair<const char*, std::optional<std::uint32_t>> counts[] = {
        {" 1234", 1234u},     {"4294967295", 4294967295u},
        {"010", 10u},         {"4294967296", std::nullopt},
        {"-1", std::nullopt}, {" abc", std::nullopt},
        {"+", std::nullopt},
    };
    for (const auto& [text, expected] : counts) {
        EXPECT_EQ(parseCount(text), expected) << '"' << text << '"';
    }
}

// The command line's strict form: the whole text is the number, with an
// optional K or M; a value past 64 bits saturates so that it reads as too
// large, not as malformed.
TEST(NumberParse, ByteCount) {
    constexpr std::uint64_t kSaturated = ~std::uint64_t{0};
    const std::pair<const char*, std::optional<std::uint64_t>> cases[] = {
        {"4096", 4096u},
        {"0x1000", 4096u},
        {"0x9", 9u},
        {"0XfF", 255u},
        {"010", 8u},
        {"0", 0u},
        {"00", 0u},
        {"0x0", 0u},
        {"4K", 4096u},
        {"4k", 4096u},
        {"0x10K", 16384u},
        {"1M", 1048576u},
        {"3m", 3145728u},
        {"4095M", 4293918720u},
        {"4096M", 4294967296u},
        {"4294967296", 4294967296u},
        {"99999999999999999999", kSaturated},
        {"17592186044416M", kSaturated},
        {"18014398509481983K", 18446744073709550592u},
        {"", std::nullopt},
        {" 1", std::nullopt},
        {"1 ", std::nullopt},
        {"+1", std::nullopt},
        {"-1", std::nullopt},
        {"08", std::nullopt},
        {"0x", std::nullopt},
        {"0xK", std::nullopt},
        {"12abc", std::nullopt},
        {"4G", std::nullopt},
        {"4KB", std::nullopt},
        {"K", std::nullopt},
        {"1KM", std::nullopt},
        {"1.5M", std::nullopt},
    };
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(parseByteCount(text), expected) << '"' << text << '"';
    }
}

// Cut only when ".bin"/".h" (any case) occurs in the file name, and then at
// its last "."; ".Bin" is not searched for.
TEST(OutputPathsFor, FollowsTheStemRule) {
    const std::pair<const char*, const char*> cases[] = {
        {"/o/img", "/o/img"},
        {"/o/img.bin", "/o/img"},
        {"/o/img.BIN", "/o/img"},
        {"/o/img.h", "/o/img"},
        {"/o/img.Bin", "/o/img.Bin"},
        {"/o/img.txt", "/o/img.txt"},
        {"/o/img.hex", "/o/img"},
        {"/o/a.bin.bak", "/o/a.bin"},
        {"/o/logo.2.bin", "/o/logo.2"},
        {"/r.bin/img", "/r.bin/img"},
        {"img.h", "img"},
    };
    for (const auto& [confirmed, stem] : cases) {
        const auto paths = outputPathsFor(confirmed);
        ASSERT_TRUE(paths) << confirmed;
        EXPECT_EQ(paths->imagePath, std::string(stem) + ".bin") << confirmed;
        EXPECT_EQ(paths->listPath, std::string(stem) + ".h") << confirmed;
    }
    EXPECT_EQ(outputPathsFor("/o/img")->saveFolder, "/o/");
    EXPECT_FALSE(outputPathsFor("/o/") || outputPathsFor(""));
}

} // namespace
} // namespace zd

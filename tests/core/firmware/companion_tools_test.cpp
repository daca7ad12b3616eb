// The companions checked by the tools that read them. The C header:
// identifiers from file names, the prefix rule, and headers for awkward names
// compiled by the real C and C++ compilers. Intel HEX and S-records: the
// records byte for byte on a small image, and larger images read back to the
// binary image by srec_cat, which checks every checksum and places every
// record by its (extended) address.
#include "core/firmware/c_header.h"
#include "tests/core/merge_fixture.h"

#include <cstdlib>
#include <sstream>

namespace zd {
namespace {

using test::hexOf;
using test::listOf;

// Windows folders are cut on every system; runs of other characters become
// one "_", none at the ends; only ASCII letters and digits count, and a name
// with none is its row's; names that meet (upper-cased, or one an earlier
// row was given) are numbered. A prefix is an identifier starting with a letter.
TEST(CHeader, NamesFollowTheFileNameAndNeverCollide) {
    // clang-format off
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"/res/2clip.avi", "2CLIP_AVI"}, {"D:\\res\\logo.bin", "LOGO_BIN"},
        {"/res/--a  b--.x--", "A_B_X"},  {"/res/中文图片.jpg", "JPG"},
        {"/res/图.片", "FILE_5"},        {"/res/Logo.Bin", "LOGO_BIN_2"},
        {"/other/logo.bin", "LOGO_BIN_3"}, {"/res/logo_bin_2", "LOGO_BIN_2_2"},
        {"/res/file_5", "FILE_5_2"},     {"/res/ä1", "1"},
        {"/res/@A[Z`a{z0:9", "A_Z_A_Z0_9"}, // the neighbours of A-Z, a-z and 0-9
    };
    // clang-format on
    std::vector<NewEntry> rows;
    std::vector<std::string> names;
    for (const auto& [path, name] : cases) {
        rows.push_back({path, 1});
        names.push_back(name);
    }
    EXPECT_EQ(headerNames(listOf(0, rows)), names);
    for (const char* good : {"ZD_", "a", "Flash2_", "X_Y"}) {
        EXPECT_FALSE(prefixProblem(good)) << good;
    }
    for (const char* bad : {"", "_ZD", "2ZD", "ZD-", "ZD__", "Z D", "Ä"}) {
        EXPECT_TRUE(prefixProblem(bad)) << bad;
    }
}

// Every comment stays on its line and keeps its end; the guard takes the
// prefix. (The values: compiled below, and in the merge's own header.)
TEST(CHeader, TextHasOneClosedCommentPerRow) {
    // clang-format off
    const EntryList list = listOf(4096, {{"/r/a*/b.bin", 1234}, {"/r/x/*y\nz\x01.bin", 5000},
        {"/r/bad\xFF\xC3.bin", 1}, {"/r/ok 中.bin", 2}, {"/r/\x7F\x1F\xC2\x9B\xC2\xA0", 0}});
    // clang-format on
    CHeaderSettings settings{
        .prefix = "AZ_", .imageSize = 10333, .listFolder = {}, .crcs = {1, 2, 3, 4, 5}};
    const std::string text = cHeaderText(list, settings);
    std::istringstream lines(text);
    std::vector<std::string> comments;
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("/*", 0) == 0) {
            EXPECT_EQ(line.find("*/"), line.size() - 2) << line;
            EXPECT_EQ(line.find("/*", 1), std::string::npos) << line;
            comments.push_back(line);
        }
    }
    EXPECT_EQ(comments,
              (std::vector<std::string>{
                  "/* Where each file lies in the merged image. Generated; do not edit. */",
                  "/* 1: /r/a*\\/b.bin */", "/* 2: /r/x/\\*y\\x0Az\\x01.bin */",
                  "/* 3: /r/bad\\xFF\\xC3.bin */", "/* 4: /r/ok 中.bin */",
                  "/* 5: /r/\\x7F\\x1F\\u009B\xC2\xA0 */"}));
    EXPECT_NE(text.find("#ifndef AZ_IMAGE_LAYOUT_H\n"), std::string::npos);
    settings.table = true; // its names take the prefix in lower case
    EXPECT_NE(cHeaderText(list, settings).find("\nstruct az_file {\n"), std::string::npos);
}

// The header for awkward names compiles cleanly as C99 and C++20, twice
// included, and its macros hold the layout (checked by the compilers; C99
// has no static assertions, so a negative array size fails instead).
TEST(CHeader, CompilesAsC99AndCxx20) {
    test::TempDir dir;
    // clang-format off
    const EntryList list = listOf(8192, {{"/res/2clip.avi", 100}, {"C:\\图片\\中文.jpg", 7},
        {"/res/a*/", 0}, {"/res/end*", 3}, {"/res/2clip.avi", 4096}, {"/res/\\", 5},
        {"/res/?\?/", 6}, {"/res/\xE2\x80\xAEgpj.exe", 1}});
    // clang-format on
    // The largest image.
    test::writeFile(dir / "layout.h", cHeaderText(list, {.imageSize = std::uint64_t{1} << 32,
                                                         .listFolder = {},
                                                         .crcs = std::vector<std::uint32_t>(8)}));
    const std::string checks = R"(#include "layout.h"
#include "layout.h"
#define CHECK(name, ok) typedef char name[(ok) ? 1 : -1];
CHECK(a, ZD_2CLIP_AVI_ADDR == 8192u && ZD_2CLIP_AVI_SIZE == 100u && ZD_JPG_ADDR == 8292u)
CHECK(c, ZD_FILE_3_ADDR == 8299u && ZD_FILE_3_SIZE == 0u && ZD_JPG_SIZE == 7u)
CHECK(d, ZD_END_ADDR == 8299u && ZD_2CLIP_AVI_2_ADDR == 8302u && ZD_2CLIP_AVI_2_SIZE == 4096u)
CHECK(e, ZD_FILE_6_SIZE == 5u && ZD_FILE_7_ADDR == 12403u)
CHECK(f, ZD_FILE_COUNT == 8u && ZD_GPJ_EXE_SIZE == 1u && ZD_FRONT_OFFSET == 8192u && ZD_IMAGE_BYTES / 2u == 0x80000000u)
int main(void) { return 0; }
)";
    test::writeFile(dir / "use.c", checks);
    test::writeFile(dir / "use.cpp", checks);
    const std::string flags = " -Wall -Wextra -Werror -pedantic -fsyntax-only ";
    for (const std::string& command :
         {std::string(ZD_TEST_CC) + " -std=c99" + flags + (dir / "use.c"),
          std::string(ZD_TEST_CXX) + " -std=c++20" + flags + (dir / "use.cpp")}) {
        EXPECT_EQ(std::system(command.c_str()), 0) << command;
    }
}

TEST(HexFormats, RecordsOfASmallImage) {
    const std::string image = "\x01\x02\x03";
    EXPECT_EQ(hexOf(HexFormat::IntelHex, {}, image), ":03000000010203F7\r\n:00000001FF\r\n");
    EXPECT_EQ(hexOf(HexFormat::SRecord, {}, image),
              "S0030000FC\r\nS30800000000010203F1\r\nS70500000000FA\r\n");
    // Placed by srec_cat below, at every base; the end record names the base.
    EXPECT_EQ(hexOf(HexFormat::SRecord, {0x12345678, false}, image),
              "S0030000FC\r\nS30812345678010203DD\r\nS70512345678E6\r\n");
    // Left out when erased: whole records of 0xFF; the empty image is its end record.
    EXPECT_EQ(hexOf(HexFormat::IntelHex, {0, true}, std::string(16, '\xFF') + "\x01"),
              ":0100100001EE\r\n:00000001FF\r\n");
    EXPECT_EQ(hexOf(HexFormat::SRecord, {0, true}, ""), "S0030000FC\r\nS70500000000FA\r\n");
    // A filler run: whole records of the byte given, then the one byte left.
    const std::string filled = hexOf(HexFormat::IntelHex, {}, "", 1, 4097);
    EXPECT_EQ(filled.substr(0, 45), ":10000000ABABABABABABABABABABABABABABABAB40\r\n");
    EXPECT_EQ(filled.size(), 256 * 45 + 15 + 13);
    EXPECT_EQ(filled.substr(filled.size() - 28), ":01100000AB44\r\n:00000001FF\r\n");
    // Only erased filler is left out, and only when asked.
    EXPECT_EQ(hexOf(HexFormat::IntelHex, {0, true}, "", 1, 4097), filled);
    EXPECT_EQ(hexOf(HexFormat::IntelHex, {0, false}, "", 1, 17, 0xFF),
              ":10000000FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF00\r\n:01001000FFF0\r\n:00000001FF\r\n");
}

TEST(HexFormats, AddressSpaceEndsAt4GiB) {
    // (Where a layout ends past it: the firmware settings refuse it.)
    HexWriter writer(HexFormat::SRecord, {0xFFFFFFF0, false},
                     [](std::string_view) { return std::error_code{}; });
    EXPECT_FALSE(writer.fill(0xFF, 16));
    EXPECT_EQ(writer.write("x", 1), std::errc::value_too_large);
    // Erased records passed over count as well.
    HexWriter erased(HexFormat::SRecord, {0xFFFFFFE0, true},
                     [](std::string_view) { return std::error_code{}; });
    EXPECT_FALSE(erased.fill(0xFF, 32));
    EXPECT_EQ(erased.fill(0xFF, 32), std::errc::value_too_large);
}

// srec_cat reads the text back (filling left-out records with 0xFF) into the
// binary image, which must be the one written, at every base: at 0, just
// below a 64 KiB boundary, unaligned past 64 KiB, and at the top of the
// address space.
TEST(HexFormats, SrecCatReadsBackTheImage) {
    test::TempDir dir;
    std::string image = test::patternBytes(150000, 3);
    image.replace(1000, 40000, 40000, '\xFF'); // erased runs, left out or not
    image.replace(70000, 33, 33, '\xFF');
    for (const std::uint32_t base : {0x0u, 0xFFF0u, 0x12345u, 0xFFFDB610u}) {
        for (const HexFormat format : {HexFormat::IntelHex, HexFormat::SRecord}) {
            for (const bool skip : {false, true}) {
                const std::string text = hexOf(format, {base, skip}, image, 777);
                test::writeFile(dir / "image.txt", text);
                std::remove((dir / "back.bin").c_str());
                const std::string command =
                    std::string(ZD_TEST_SREC_CAT) + " " + (dir / "image.txt") +
                    (format == HexFormat::IntelHex ? " -intel" : " -motorola") + " -fill 0xFF " +
                    std::to_string(base) + " " +
                    std::to_string(std::uint64_t{base} + image.size()) + " -offset -" +
                    std::to_string(base) + " -o " + (dir / "back.bin") + " -binary";
                ASSERT_EQ(std::system(command.c_str()), 0) << command;
                EXPECT_TRUE(test::readFile(dir / "back.bin") == image) << command;
                if (skip) {
                    EXPECT_LT(text.size(), hexOf(format, {base, false}, image).size() * 3 / 4);
                }
            }
        }
    }
}

} // namespace
} // namespace zd

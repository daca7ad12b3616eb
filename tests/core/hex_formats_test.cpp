// Intel HEX and S-records: the records byte for byte on a small image, and
// larger images read back to the binary image by srec_cat, which checks
// every checksum and places every record by its (extended) address.
#include "tests/core/hex_text.h"
#include "tests/support/test_files.h"

#include <cstdlib>
#include <gtest/gtest.h>

namespace zd {
namespace {

using test::hexOf;

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

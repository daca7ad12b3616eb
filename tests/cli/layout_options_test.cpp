// merge's layout options as a build script meets them: --align lays every
// file out at a multiple of N and --fill picks the filler, and every output
// and every reader (verify, inspect, unpack, -l) agrees on the addresses.
#include "tests/cli/cli_run.h"

namespace zd {
namespace {

using test::readFile;
using test::writeFile;

class LayoutOptions : public test::CliInFolder {
  protected:
    void SetUp() override {
        std::filesystem::create_directory(test::pathOf(dir / "out"));
        writeFile(dir / "a.bin", test::patternBytes(1234, 1));
        writeFile(dir / "b.bin", test::patternBytes(5000, 2));
        writeFile(dir / "c.bin", test::patternBytes(100, 3));
    }
    static bool all(const std::string& bytes, std::size_t from, std::size_t to, char byte) {
        return bytes.find_first_not_of(byte, from) >= to;
    }
    const std::string inputs = " $D/a.bin $D/b.bin $D/c.bin";
};

// 1234, 5000 and 100 bytes after a front area of 100 at multiples of 64:
// 128, 1408 and 6464; the image ends with the last file.
TEST_F(LayoutOptions, EveryOutputAndReaderSeesTheAlignedAddresses) {
    ASSERT_EQ(run("merge -q -o $D/out/img -i -f 100 --align 64 --fill 0" + inputs), 0) << errors;
    const std::string image = readFile(dir / "out/img.bin");
    ASSERT_EQ(image.size(), 6564u);
    EXPECT_TRUE(all(image, 24, 128, 0) && all(image, 1362, 1408, 0) && all(image, 6408, 6464, 0));
    EXPECT_NE(readFile(dir / "out/img.h").find("b.bin\", 5000, 1408;\n"), std::string::npos);

    EXPECT_EQ(run("merge --dry-run -f 100 --align 64" + inputs), 0);
    EXPECT_NE(printed.find("5000\t1408\t.bin\n3\t"), std::string::npos) << printed;
    EXPECT_NE(printed.find("Image capacity: 6564 bytes"), std::string::npos) << printed;

    // Every file at its address, and the table saying so.
    EXPECT_EQ(run("verify $D/out/img.bin -l $D/out/img.h"), 0) << printed << errors;
    EXPECT_NE(printed.find("and so does the file info table"), std::string::npos);
    EXPECT_EQ(run("inspect $D/out/img.bin"), 0) << errors;
    EXPECT_NE(printed.find("3\t6464\t100\t"), std::string::npos) << printed;
    ASSERT_EQ(run("unpack -q $D/out/img.bin -d $D/out"), 0) << errors;
    EXPECT_EQ(readFile(dir / "out/003.bin"), readFile(dir / "c.bin"));

    // The list read back with the same options gives the same image; the
    // manifest's CRCs, taken while copying, hold for the gaps too.
    ASSERT_EQ(run("merge -q -o $D/out/again -i -f 100 --align 64 --fill 0 --manifest "
                  "$D/out/m.json -l $D/out/img.h"),
              0)
        << errors;
    EXPECT_EQ(readFile(dir / "out/again.bin"), image);
    EXPECT_NE(readFile(dir / "out/m.json").find("\"align\": 64,\n  \"fill\": 0,"),
              std::string::npos);
    EXPECT_EQ(run("verify $D/out/again.bin --manifest $D/out/m.json"), 0) << printed;

    // Without the table the first bytes are filler, not a damaged table.
    ASSERT_EQ(run("merge -q -o $D/out/bare -f 100 --fill 0x5A --manifest $D/out/b.json" + inputs),
              0);
    EXPECT_EQ(run("verify $D/out/bare.bin -l $D/out/bare.h"), 0) << printed;
    EXPECT_NE(readFile(dir / "out/b.json").find("\"align\": 1,\n  \"fill\": 90,"),
              std::string::npos);
    EXPECT_EQ(run("inspect $D/out/bare.bin"), 1);

    // Records that no one alignment lays out (64, then 256) are no table.
    std::string mixed;
    for (const std::uint32_t word : {64u, 10u, 128u, 10u, 256u, 10u}) {
        for (int shift = 0; shift < 32; shift += 8) {
            mixed += static_cast<char>(word >> shift);
        }
    }
    writeFile(dir / "mixed.bin", mixed + std::string(300, '\xFF'));
    EXPECT_EQ(run("inspect $D/mixed.bin"), 1) << printed;
}

// The fill byte fills the padding too; HEX leaves out only erased records,
// so a programmer writing it over an erased chip gets every filler byte.
TEST_F(LayoutOptions, FillReachesThePaddingAndHexKeepsItsRecords) {
    ASSERT_EQ(run("merge -q -o $D/out/img --align 1K --fill 0x00 --flash-size 8K --pad --ihex "
                  "$D/out/h.hex" +
                  inputs),
              0)
        << errors;
    const std::string image = readFile(dir / "out/img.bin");
    ASSERT_EQ(image.size(), 8192u);
    EXPECT_TRUE(all(image, 1234, 2048, 0) && all(image, 7168 + 100, 8192, 0));
    const std::string hex = readFile(dir / "out/h.hex");
    EXPECT_EQ(std::count(hex.begin(), hex.end(), '\n'), 8192 / 16 + 1);
}

// Malformed values are usage errors naming them; the checks before writing
// see the gaps.
TEST_F(LayoutOptions, ValuesAndChecksBeforeWriting) {
    for (const char* bad : {"--align 3", "--align 0", "--align 2M", "--fill 0x100", "--fill 1K"}) {
        const std::string value = std::string(bad).substr(std::string(bad).find(' ') + 1);
        EXPECT_EQ(run(std::string("merge --dry-run $D/a.bin ") + bad), 2) << bad;
        EXPECT_NE(errors.find("'" + value + "'"), std::string::npos) << errors;
    }
    ASSERT_EQ(run("merge -q -o $D/out/wide -i -f 32 --align 1M --fill 255 $D/a.bin $D/c.bin"), 0);
    EXPECT_EQ(run("inspect $D/out/wide.bin"), 0) << errors;
    EXPECT_NE(printed.find("2\t2097152\t100\t"), std::string::npos) << printed;
    EXPECT_EQ(run("merge --dry-run --align 4K --flash-size 6334" + inputs), 1);
    EXPECT_NE(errors.find("would be 12388 bytes, 6054 bytes over"), std::string::npos) << errors;
    EXPECT_EQ(run("merge --dry-run -f 0xFFFFF000 --align 1M $D/c.bin"), 1);
    EXPECT_NE(errors.find("past 4 GiB"), std::string::npos) << errors;
}

} // namespace
} // namespace zd

// The command line as built for Windows, run with Chinese names: the exit
// statuses it has on Linux, and the names of what it wrote in UTF-8; inputs
// given by the short names Windows makes for long ones are listed by their
// long names, which mean the same on any machine. (That it writes the same
// image and list file as on Linux, scripts/windows.sh compares; the POSIX
// tests use signals, descriptors and fork, which Windows has not.) flash
// refuses without flashrom, which Wine has not.
#include "core/files/utf16_text.h"
#include "tests/support/run_program.h"
#include "tests/support/test_files.h"

#include <gtest/gtest.h>

namespace zd {
namespace {

TEST(Cli, TheBuiltProgramExitsAsOnLinuxAndListsLongNames) {
    test::TempDir dir;
    const std::string program = test::besideThisProgram(ZD_CLI_BINARY);
    const std::string in = dir / "图片.jpg", out = dir / "镜像";
    test::writeFile(in, test::patternBytes(1234, 1));
    // A usage error exits 2, a merge 0. (That a refusal exits 1, the tests of
    // the command line's own code show.)
    EXPECT_EQ(test::runProgram(program, {"merge", in}, dir / "printed"), 2);
    EXPECT_EQ(
        test::runProgram(program, {"merge", "-o", out, "-f", "0x10", "-i", in}, dir / "printed"),
        0);
    EXPECT_EQ(test::readFile(dir / "printed"), out + ".bin\n" + out + ".h\n");

    const std::string folder = dir / "a folder with a long name", file = dir / "a long name.bin";
    std::filesystem::create_directory(test::pathOf(folder));
    test::writeFile(file, "12345");
    test::writeFile(folder + "\\the member.bin", "678");
    std::vector<std::string> args{"merge", "-q", "-o", dir / "out"};
    for (const std::string& path : {file, folder}) {
        std::wstring alias(MAX_PATH, L'\0');
        alias.resize(::GetShortPathNameW(test::pathOf(path).c_str(), alias.data(), MAX_PATH));
        args.push_back(files::toUtf8(alias));
        ASSERT_NE(args.back(), path);
    }
    ASSERT_EQ(test::runProgram(program, args, dir / "said"), 0);
    EXPECT_NE(
        test::readFile(dir / "out.h")
            .find("1, \"" + file + "\", 5, 0;\n\t2, \"" + folder + "\\the member.bin\", 3, 5;"),
        std::string::npos);
}

// flash without flashrom on the PATH is refused, saying how to get one;
// another program named as flashrom is started and read, and what it said
// when it refused is passed on.
TEST(Cli, FlashRefusesWithoutFlashrom) {
    test::TempDir dir;
    const std::string program = test::besideThisProgram(ZD_CLI_BINARY);
    test::writeFile(dir / "img.bin", test::patternBytes(1234, 2));
    EXPECT_EQ(
        test::runProgram(program, {"flash", dir / "img.bin", "-p", "ch341a_spi"}, dir / "said"), 1);
    EXPECT_NE(test::readFile(dir / "said")
                  .find("flashrom.exe: not found on the PATH; put a "
                        "flashrom build for Windows on the PATH"),
              std::string::npos)
        << test::readFile(dir / "said");
    EXPECT_EQ(test::runProgram(
                  program, {"flash", dir / "img.bin", "-p", "ch341a_spi", "--flashrom", program},
                  dir / "said"),
              1);
    EXPECT_NE(test::readFile(dir / "said")
                  .find("flashrom: refused -p ch341a_spi; the chip was not "
                        "changed. It said:\n  zadodaziderav-cli: unknown "
                        "option -p"),
              std::string::npos)
        << test::readFile(dir / "said");
}

} // namespace
} // namespace zd

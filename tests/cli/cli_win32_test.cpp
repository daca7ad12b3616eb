// The command line as built for Windows, run with Chinese names: the exit
// statuses it has on Linux, and the names of what it wrote in UTF-8. (That
// it writes the same image and list file as on Linux, scripts/windows.sh
// compares; the POSIX tests use signals, descriptors and fork, which
// Windows has not.)
#include "tests/support/run_program.h"
#include "tests/support/test_files.h"

#include <gtest/gtest.h>

namespace zd {
namespace {

TEST(Cli, TheBuiltProgramExitsAsOnLinuxAndNamesWhatItWrote) {
    test::TempDir dir;
    const std::string in = dir / "图片.jpg", out = dir / "镜像";
    test::writeFile(in, test::patternBytes(1234, 1));
    // A usage error exits 2, a merge 0. (That a refusal exits 1, the tests of
    // the command line's own code show.)
    const std::pair<std::vector<std::string>, int> runs[] = {
        {{"merge", in}, 2}, {{"merge", "-o", out, "-f", "0x10", "-i", in}, 0}};
    for (const auto& [args, status] : runs) {
        EXPECT_EQ(test::runProgram(test::besideThisProgram(ZD_CLI_BINARY), args, dir / "printed"),
                  status);
    }
    EXPECT_EQ(test::readFile(dir / "printed"), out + ".bin\n" + out + ".h\n");
}

} // namespace
} // namespace zd

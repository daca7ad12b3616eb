// The command line on Windows: the built program with Chinese names writes
// what mergeImage writes, and refusals and stops end as on Linux. (The
// POSIX tests use signals, descriptors and fork, which Windows has not.)
#include "cli.h"
#include "file_intake.h"
#include "image_writer.h"
#include "run_program.h"
#include "test_files.h"

#include <gtest/gtest.h>
#include <sstream>

namespace zd {
namespace {

using test::readFile;
using test::writeFile;

class Cli : public ::testing::Test {
  protected:
    void SetUp() override {
        std::filesystem::create_directories(test::pathOf(dir / "in/sub"));
        std::filesystem::create_directory(test::pathOf(dir / "out"));
        writeFile(dir / "in/a.bin", test::patternBytes(1234, 1));
        writeFile(dir / "in/sub/B.dot", test::patternBytes(5000, 2));
        writeFile(dir / "in/sub/图片.jpg", test::patternBytes(77, 4));
    }
    test::TempDir dir;
    std::string out = dir / "out/镜像";
};

TEST_F(Cli, TheBuiltProgramMergesAsMergeImageDoes) {
    const int status = test::runProgram(
        test::besideThisProgram(ZD_CLI_BINARY),
        {"merge", "-o", out, "-f", "0x1000", "-i", dir / "in/a.bin", dir / "in/sub/"},
        dir / "printed");
    EXPECT_EQ(status, 0) << readFile(dir / "printed");
    EXPECT_EQ(readFile(dir / "printed"), out + ".bin\n" + out + ".h\n");

    EntryList list;
    list.setFrontOffset(4096);
    list.recomputeLayout();
    list.appendEntries(
        probeFiles({dir / "in/a.bin", dir / "in/sub/B.dot", dir / "in/sub/图片.jpg"}).accepted);
    ASSERT_TRUE(mergeImage(list, true, *outputPathsFor(dir / "direct")).ok());
    EXPECT_EQ(readFile(out + ".bin"), readFile(dir / "direct.bin"));
    EXPECT_EQ(readFile(out + ".h"), readFile(dir / "direct.h"));
}

// A refusal or a stop is one line on stderr, exit 1, and the earlier image
// stays; a usage error exits 2.
TEST_F(Cli, ExitCodesAndWhatFailedRunsLeave) {
    std::ostringstream printed, errors;
    EXPECT_EQ(cli::run({"merge", dir / "in/a.bin"}, printed, errors), cli::kUsageError);
    writeFile(out + ".bin", "earlier image");
    errors.str({});
    EXPECT_EQ(cli::run({"merge", "-o", out, dir / "in/a.bin", dir / "in/missing"}, printed, errors),
              cli::kFailure);
    EXPECT_NE(errors.str().find(dir / "in/missing"), std::string::npos) << errors.str();
    const std::atomic<bool> stop{true};
    EXPECT_EQ(cli::run({"merge", "-o", out, dir / "in/a.bin"}, printed, errors, &stop),
              cli::kFailure);
    EXPECT_EQ(printed.str(), "");
    EXPECT_EQ(readFile(out + ".bin"), "earlier image");
    EXPECT_EQ(test::namesIn(dir / "out"), std::vector<std::string>{"镜像.bin"});
}

} // namespace
} // namespace zd

#include "cli.h"

#include "file_intake.h"
#include "image_writer.h"
#include "run_program.h"
#include "test_files.h"

#include <gtest/gtest.h>

#include <sstream>

namespace zd {
namespace {

namespace fs = std::filesystem;
using test::readFile;
using test::writeFile;

class Cli : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(dir / "in/sub");
        fs::create_directory(dir / "out");
        writeFile(dir / "in/a.bin", test::patternBytes(1234, 1));
        writeFile(dir / "in/sub/B.dot", test::patternBytes(5000, 2));
        writeFile(dir / "in/sub/a.jpg", test::patternBytes(100, 3));
    }
    // Runs the command line in this process, keeping what it printed.
    int run(const std::vector<std::string>& args, const std::atomic<bool>* stop = nullptr) {
        std::ostringstream outText, errText;
        const int code = cli::run(args, outText, errText, stop);
        printed = outText.str();
        errors = errText.str();
        return code;
    }
    test::TempDir dir;
    std::string out = dir / "out/img";
    std::string printed, errors;
};

// Chinese names reach the program and its files intact.
TEST_F(Cli, TheBuiltProgramMergesAsMergeImageDoes) {
    writeFile(dir / "in/sub/图片.jpg", test::patternBytes(77, 4));
#ifdef _WIN32
    const std::string program = test::besideThisProgram(ZD_CLI_BINARY);
#else
    const std::string program = ZD_CLI_BINARY;
#endif
    const int status = test::runProgram(
        program, {"merge", "-o", out, "-f", "0x1000", "-i", dir / "in/a.bin", dir / "in/sub/"},
        dir / "printed");
    EXPECT_EQ(status, 0) << readFile(dir / "printed");
    EXPECT_EQ(readFile(dir / "printed"), out + ".bin\n" + out + ".h\n");

    EntryList list;
    list.setFrontOffset(4096);
    list.recomputeLayout();
    list.appendEntries(probeFiles({dir / "in/a.bin", dir / "in/sub/a.jpg", dir / "in/sub/B.dot",
                                   dir / "in/sub/图片.jpg"})
                           .accepted);
    ASSERT_TRUE(mergeImage(list, true, *outputPathsFor(dir / "direct")).ok());
    EXPECT_EQ(readFile(out + ".bin"), readFile(dir / "direct.bin"));
    EXPECT_EQ(readFile(out + ".h"), readFile(dir / "direct.h"));
}

// List rows come first. ".." after a link is kept: it leads out of the
// link's target, not back to the link's folder. Windows itself takes ".."
// by the text of the path, and so does the tool there.
TEST_F(Cli, DryRunPrintsTheLayoutAndWritesNothing) {
    writeFile(dir / "saved.h", "{\n\n\n\t1, \"" + (dir / "in/sub/B.dot") + "\", 5000, 0;\n");
    fs::create_directories(dir / "far/deep");
    writeFile(dir / "far/x.bin", "0123456789");
#ifdef _WIN32
    const std::string given = dir / "far/deep/../x.bin";
    const std::string shown = dir / "far/x.bin";
#else
    fs::create_directory_symlink(dir / "far/deep", dir / "link");
    const std::string given = dir / "link/../x.bin";
    const std::string shown = given;
#endif
    EXPECT_EQ(run({"merge", "--dry-run", "-o", out, "-f", "4096", given, "-l", dir / "saved.h"}),
              0) << errors;
    EXPECT_EQ(printed, "No.\tFile Name\tSize(byte)\tAddress\tData Format\n"
                       "1\t" + (dir / "in/sub/B.dot") + "\t5000\t4096\t.dot\n"
                       "2\t" + shown + "\t10\t9096\t.bin\n"
                       "Image capacity: 9106 bytes\n");
    EXPECT_TRUE(test::namesIn(dir / "out").empty());
}

// A refusal or a stop is one line on stderr, exit 1, and the earlier image
// stays; usage errors exit 2.
TEST_F(Cli, ExitCodesAndWhatFailedRunsLeave) {
    for (const std::vector<std::string>& usage :
         {std::vector<std::string>{}, {"merge", dir / "in/a.bin"}, {"merge", "-o", out, "-f"},
          {"merge", "-o", out, "--bogus", dir / "in/a.bin"}}) {
        EXPECT_EQ(run(usage), 2) << ::testing::PrintToString(usage);
        EXPECT_NE(errors, "");
    }
    writeFile(out + ".bin", "earlier image");
    EXPECT_EQ(run({"merge", "-o", out, dir / "in/a.bin", dir / "in/missing"}), 1);
    EXPECT_EQ(printed, "");
    EXPECT_EQ(errors.find('\n'), errors.size() - 1) << errors;
    EXPECT_NE(errors.find(dir / "in/missing"), std::string::npos) << errors;

    const std::atomic<bool> stop{true};
    EXPECT_EQ(run({"merge", "-o", out, dir / "in/a.bin"}, &stop), 1);
    EXPECT_EQ(errors.find('\n'), errors.size() - 1) << errors;
    EXPECT_EQ(readFile(out + ".bin"), "earlier image");
    EXPECT_EQ(test::namesIn(dir / "out"), std::vector<std::string>{"img.bin"});
}

} // namespace
} // namespace zd

#include "cli.h"

#include "file_intake.h"
#include "image_writer.h"
#include "test_files.h"

#include <gtest/gtest.h>

#include <sstream>
#include <sys/wait.h>

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

TEST_F(Cli, TheBuiltProgramMergesAsMergeImageDoes) {
    const std::string command = std::string("'") + ZD_CLI_BINARY + "' merge -o '" + out +
                                "' -f 0x1000 -i '" + (dir / "in/a.bin") + "' '" + (dir / "in/sub/") +
                                "' >'" + (dir / "printed") + "' 2>&1";
    const int status = std::system(command.c_str());
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << readFile(dir / "printed");
    EXPECT_EQ(readFile(dir / "printed"), out + ".bin\n" + out + ".h\n");

    EntryList list;
    list.setFrontOffset(4096);
    list.recomputeLayout();
    list.appendEntries(
        probeFiles({dir / "in/a.bin", dir / "in/sub/a.jpg", dir / "in/sub/B.dot"}).accepted);
    ASSERT_TRUE(mergeImage(list, true, *outputPathsFor(dir / "direct")).ok());
    EXPECT_EQ(readFile(out + ".bin"), readFile(dir / "direct.bin"));
    EXPECT_EQ(readFile(out + ".h"), readFile(dir / "direct.h"));
}

// List rows come first. ".." after a link is kept: it leads out of the
// link's target, not back to the link's folder.
TEST_F(Cli, DryRunPrintsTheLayoutAndWritesNothing) {
    writeFile(dir / "saved.h", "{\n/*\tNo,\tFile Name,\t\tSize,\tAddress\t*/\n\n\t1, \"" +
                                   (dir / "in/sub/B.dot") + "\", 5000, 0;\n\n}\n");
    fs::create_directories(dir / "far/deep");
    writeFile(dir / "far/x.bin", "0123456789");
    fs::create_directory_symlink(dir / "far/deep", dir / "link");
    EXPECT_EQ(run({"merge", "--dry-run", "-o", out, "-f", "4096", dir / "link/../x.bin", "-l",
                   dir / "saved.h"}),
              0) << errors;
    EXPECT_EQ(printed, "No.\tFile Name\tSize(byte)\tAddress\tData Format\n"
                       "1\t" + (dir / "in/sub/B.dot") + "\t5000\t4096\t.dot\n"
                       "2\t" + (dir / "link/../x.bin") + "\t10\t9096\t.bin\n"
                       "Image capacity: 9106 bytes\n");
    EXPECT_TRUE(test::namesIn(dir / "out").empty());
}

// A refusal or a stop is one line on stderr per file, exit 1, and the
// earlier image stays; usage errors exit 2. Names that would break the line,
// or show as nothing, are shown escaped.
TEST_F(Cli, ExitCodesAndWhatFailedRunsLeave) {
    for (const std::vector<std::string>& usage :
         {std::vector<std::string>{}, {"merge", dir / "in/a.bin"}, {"merge", "-o", out, "-f"},
          {"merge", "-o", out, "--bogus", dir / "in/a.bin"}}) {
        EXPECT_EQ(run(usage), 2) << ::testing::PrintToString(usage);
        EXPECT_NE(errors, "");
    }
    writeFile(out + ".bin", "earlier image");
    writeFile(dir / "in/two\nlines", "x");
    EXPECT_EQ(run({"merge", "-o", out, dir / "in/a.bin", dir / "in/missing", "",
                   dir / "in/two\nlines"}), 1);
    EXPECT_EQ(printed, "");
    EXPECT_EQ(errors, "zadodaziderav-cli: " + dir / "in/missing" +
                      ": cannot be opened for reading: No such file or directory\n"
                      "zadodaziderav-cli: \"\": an empty name names no file\n"
                      "zadodaziderav-cli: " + dir / "in/two\\nlines" +
                      ": has a name the list file cannot carry (a line feed, a carriage return or "
                      "bytes that are not UTF-8)\n");

    const std::atomic<bool> stop{true};
    EXPECT_EQ(run({"merge", "-o", out, dir / "in/a.bin"}, &stop), 1);
    EXPECT_EQ(errors.find('\n'), errors.size() - 1) << errors;
    EXPECT_EQ(readFile(out + ".bin"), "earlier image");
    EXPECT_EQ(test::namesIn(dir / "out"), std::vector<std::string>{"img.bin"});
}

} // namespace
} // namespace zd

#include "cli.h"

#include "file_intake.h"
#include "image_writer.h"
#include "list_file.h"
#include "test_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <sstream>
#include <sys/wait.h>

namespace zd {
namespace {

namespace fs = std::filesystem;
using Args = std::vector<std::string>;
using test::readFile;
using test::writeFile;

struct CliRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

CliRun runCli(const Args& args, const std::atomic<bool>* stop = nullptr) {
    std::ostringstream out;
    std::ostringstream err;
    const int code = cli::run(args, out, err, stop);
    return {code, out.str(), err.str()};
}

long lines(const std::string& text) { return std::count(text.begin(), text.end(), '\n'); }

class Cli : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(dir / "in/sub/deeper");
        fs::create_directory(dir / "out");
        writeFile(dir / "in/a.bin", test::patternBytes(1234, 1));
        writeFile(dir / "in/sub/B.dot", test::patternBytes(5000, 2));
        writeFile(dir / "in/sub/a.jpg", test::patternBytes(100, 3));
        writeFile(dir / "in/sub/.hidden", test::patternBytes(7, 4));
        writeFile(dir / "in/sub/deeper/not-listed", "x");
    }
    void saveList(const std::string& name, const std::string& path, std::uint32_t size) {
        EntryList list;
        list.appendEntries(std::vector<NewEntry>{{path, size}});
        ASSERT_FALSE(writeListFile(dir / name, list));
    }
    test::TempDir dir;
};

TEST_F(Cli, MergesFilesAndAFolderExactlyAsMergeImageDoes) {
    const CliRun run =
        runCli({"merge", "-o", dir / "out/img", "-f", "0x1000", "-i", dir / "in/a.bin", dir / "in/sub/"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, (dir / "out/img.bin") + "\n" + (dir / "out/img.h") + "\n");
    EXPECT_EQ(run.err, "");

    EntryList list;
    list.setFrontOffset(4096);
    list.recomputeLayout();
    list.appendEntries(probeFiles({dir / "in/a.bin", dir / "in/sub/.hidden", dir / "in/sub/a.jpg",
                                   dir / "in/sub/B.dot"})
                           .accepted);
    ASSERT_TRUE(mergeImage(list, true, *outputPathsFor(dir / "direct")).ok());
    EXPECT_EQ(readFile(dir / "out/img.bin"), readFile(dir / "direct.bin"));
    EXPECT_EQ(readFile(dir / "out/img.h"), readFile(dir / "direct.h"));

    // Three files need more than 24 bytes of table: a note, only if asked for.
    const CliRun small = runCli({"merge", "--output", dir / "out/s", "--front-offset", "24",
                                 "--info", dir / "in/sub"});
    EXPECT_EQ(lines(small.out), 3);
    EXPECT_NE(small.out.find("note:"), std::string::npos);
    EXPECT_EQ(lines(runCli({"merge", "-o", dir / "out/f", "-f", "25", "-i", dir / "in/sub"}).out), 2);
    EXPECT_EQ(lines(runCli({"merge", "-o", dir / "out/p", "-f", "8", dir / "in/sub"}).out), 2);
}

// List files come first, in the order given. "." and "//" are dropped from
// input paths, but ".." after a link is kept: it leads out of the link's
// target, not back to the link's folder.
TEST_F(Cli, DryRunPrintsTheLayoutAndWritesNothing) {
    saveList("saved.h", dir / "in/sub/B.dot", 5000);
    saveList("other.h", dir / "in/sub/a.jpg", 100);
    fs::create_directories(dir / "far/deep");
    writeFile(dir / "far/x.bin", test::patternBytes(10, 5));
    fs::create_directory_symlink(dir / "far/deep", dir / "link");
    const std::string root = dir.path().string();
    const CliRun run = runCli({"merge", "--dry-run", "-o", dir / "out/img", "-f", "4096",
                               root + "/./link/../x.bin", "-l", dir / "saved.h", root + "//in/./a.bin",
                               "--list", dir / "other.h"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "No.\tFile Name\tSize(byte)\tAddress\tData Format\n"
                       "1\t" + (dir / "in/sub/B.dot") + "\t5000\t4096\t.dot\n"
                       "2\t" + (dir / "in/sub/a.jpg") + "\t100\t9096\t.jpg\n"
                       "3\t" + (dir / "link/../x.bin") + "\t10\t9196\t.bin\n"
                       "4\t" + (dir / "in/a.bin") + "\t1234\t9206\t.bin\n"
                       "Image capacity: 10440 bytes\n");
    EXPECT_TRUE(test::namesIn(dir / "out").empty());
}

TEST_F(Cli, UsageErrorsExitWith2) {
    const std::string out = dir / "out/img";
    const Args cases[] = {{},
                          {"frobnicate"},
                          {"merge"},
                          {"merge", dir / "in/a.bin"},
                          {"merge", "-o"},
                          {"merge", "-o", out, "-f"},
                          {"merge", "-o", out, "-l"},
                          {"merge", "-o", out, "--bogus", dir / "in/a.bin"},
                          {"merge", "-o", dir / "out/", dir / "in/a.bin"}};
    for (const Args& args : cases) {
        SCOPED_TRACE(::testing::PrintToString(args));
        const CliRun run = runCli(args);
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_FALSE(run.err.empty());
        EXPECT_EQ(run.out, "");
    }
    EXPECT_TRUE(test::namesIn(dir / "out").empty());
    const CliRun help = runCli({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("merge -o PATH"), std::string::npos);
}

TEST_F(Cli, ARefusalIsOneLineNamingTheFileAndKeepsTheEarlierImage) {
    writeFile(dir / "out/img.bin", "earlier image");
    fs::create_symlink(dir / "in/gone", dir / "in/sub/broken");
    saveList("stale.h", dir / "in/a.bin", 1000);
    writeFile(dir / "broken.h", "{\n\n\n\t1, \"/a.bin\", 10, 0;\n\t2, \"/b.bin\", many, 10;\n");
    const std::string out = dir / "out/img";
    const std::pair<Args, std::string> cases[] = {
        {{"merge", "-o", out, dir / "in/a.bin", dir / "in/missing.bin"}, dir / "in/missing.bin"},
        {{"merge", "-o", out, dir / "in/sub"}, dir / "in/sub/broken"},
        {{"merge", "-o", out, dir / "in/a.bin", dir / "out/img.bin"}, dir / "out/img.bin"},
        {{"merge", "-o", out, dir / "in/nowhere/"}, dir / "in/nowhere"},
        {{"merge", "-o", out, "-l", dir / "stale.h"}, dir / "in/a.bin"},
        {{"merge", "-o", out, "-l", dir / "broken.h"}, dir / "broken.h:5:"},
        {{"merge", "-o", out, "-l", dir / "none.h"}, dir / "none.h"},
    };
    for (const auto& [args, named] : cases) {
        SCOPED_TRACE(named);
        const CliRun run = runCli(args);
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(lines(run.err), 1) << run.err;
        EXPECT_NE(run.err.find(named), std::string::npos) << run.err;
        EXPECT_EQ(readFile(dir / "out/img.bin"), "earlier image");
        EXPECT_EQ(test::namesIn(dir / "out"), Args{"img.bin"});
    }
}

TEST_F(Cli, TheStopFlagLeavesNothingBehind) {
    const std::atomic<bool> stop{true};
    const CliRun run = runCli({"merge", "-o", dir / "out/img", dir / "in/a.bin"}, &stop);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(lines(run.err), 1) << run.err;
    EXPECT_TRUE(test::namesIn(dir / "out").empty());
    const std::atomic<bool> go{false};
    EXPECT_EQ(runCli({"merge", "-o", dir / "out/img", dir / "in/a.bin"}, &go).exitCode, 0);
    EXPECT_EQ(readFile(dir / "out/img.bin"), readFile(dir / "in/a.bin"));
}

TEST_F(Cli, TheBuiltProgramMerges) {
    const std::string command = std::string("'") + ZD_CLI_BINARY + "' merge -o '" + (dir / "out/img") +
                                "' -f 17 -i '" + (dir / "in/a.bin") + "' '" + (dir / "in/sub/a.jpg") +
                                "' >'" + (dir / "printed") + "' 2>&1";
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << readFile(dir / "printed");
    EXPECT_EQ(readFile(dir / "printed"), (dir / "out/img.bin") + "\n" + (dir / "out/img.h") + "\n");
    const std::string table("\x11\0\0\0\xD2\x04\0\0\xE3\x04\0\0\x64\0\0\0", 16);
    EXPECT_EQ(readFile(dir / "out/img.bin"),
              table + '\xFF' + readFile(dir / "in/a.bin") + readFile(dir / "in/sub/a.jpg"));
}

} // namespace
} // namespace zd

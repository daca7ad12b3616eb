// The built program: every command, stopped by a signal, ends with 128 +
// its number and leaves the folder as it was, unless the parent left the
// signal ignored; a run that fails part-way (the file-size limit, standard
// output full) leaves nothing either, so that running it again works.
#include "tests/cli/cli_run.h"
#include "tests/support/folder_state.h"
#include "tests/support/posix_child.h"

#include <csignal>

namespace zd {
namespace {

class Stops : public test::CliInFolder {
  protected:
    // The program on the words of `line`, its stderr kept in `said`; the
    // exit status as a shell reports it.
    int runBuilt(const std::string& line, test::ProgramStart start = {}) {
        std::vector<std::string> words = test::wordsOf(line, dir.path().string());
        words.insert(words.begin(), ZD_CLI_BINARY);
        start.stderrPath = dir / "said";
        const int status = test::runProgram(words, start);
        said = test::readFile(dir / "said");
        std::filesystem::remove(test::pathOf(dir / "said"));
        return status;
    }
    std::string said;
};

TEST_F(Stops, EveryCommandStopsOrFailsLeavingNothing) {
    test::writeFile(dir / "a.bin", test::patternBytes(1234, 1));
    test::writeFile(dir / "b.bin", test::patternBytes(300000, 2));
    ASSERT_EQ(runBuilt("merge -o $D/img -if4K --manifest $D/img.json $D/a.bin $D/b.bin"), 0);
    const auto before = test::folderState(dir.path().string());
    for (const char* command :
         {"merge -o $D/img --ihex $D/img.hex --srec $D/img.s19 $D/b.bin", "inspect $D/img.bin",
          "verify $D/img.bin -l $D/img.h", "verify $D/img.bin --manifest $D/img.json",
          "unpack $D/img.bin -d $D/new/deep", "unpack $D/img.bin -d $D/new -l $D/img.h"}) {
        for (const auto& [signal, status] :
             {std::pair{SIGINT, 130}, {SIGTERM, 143}, {SIGHUP, 129}}) {
            EXPECT_EQ(runBuilt(command, {.signal = signal}), status) << command << " " << signal;
            EXPECT_NE(said.find("stopped"), std::string::npos) << command << said;
            EXPECT_EQ(test::folderState(dir.path().string()), before) << command;
        }
    }
    // Failing part-way: the second file meets the limit, or the paths
    // cannot be printed.
    EXPECT_EQ(runBuilt("unpack $D/img.bin -d $D/new", {.fileSizeLimit = 100000}), 1);
    EXPECT_NE(said.find("002.bin: cannot be written"), std::string::npos) << said;
    EXPECT_EQ(runBuilt("unpack $D/img.bin -d $D/new", {.stdoutPath = "/dev/full"}), 1);
    EXPECT_EQ(test::folderState(dir.path().string()), before);
    // Results that cannot be written to stdout fail the run, in one line.
    for (const char* line : {"merge --dry-run $D/a.bin", "--help"}) {
        EXPECT_EQ(runBuilt(line, {.stdoutPath = "/dev/full"}), 1) << line;
        EXPECT_TRUE(said.ends_with("standard output: cannot be written\n") &&
                    said.find('\n') == said.size() - 1)
            << said;
    }
    EXPECT_EQ(runBuilt("unpack $D/img.bin -d $D/new"), 0);
    EXPECT_EQ(test::readFile(dir / "new/002.bin"), test::patternBytes(300000, 2));
    // A signal the parent left ignored (nohup) does not stop the merge.
    EXPECT_EQ(runBuilt("merge -o $D/img $D/a.bin", {.signal = SIGHUP, .ignored = true}), 0);
    EXPECT_EQ(test::readFile(dir / "img.bin").size(), 1234u);
}

} // namespace
} // namespace zd

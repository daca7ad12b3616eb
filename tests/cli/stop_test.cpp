// The built program: every command, stopped by a signal, ends with 128 +
// its number and leaves the folder as it was; unpack that fails part-way
// (the file-size limit, standard output full) leaves nothing either, so
// that running it again works.
#include "tests/support/folder_state.h"
#include "tests/support/posix_child.h"

#include <csignal>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace zd {
namespace {

// The program on the words of `line` ("$D" the scratch folder), `signal`
// pending as it starts, under a file-size limit of `sizeLimit` bytes (the
// program must not die of SIGXFSZ); the exit status as a shell reports it.
int runBuilt(const test::TempDir& dir, const std::string& line, int signal = 0,
             rlim_t sizeLimit = RLIM_INFINITY, const std::string& stdoutPath = "/dev/null") {
    std::vector<std::string> words{ZD_CLI_BINARY};
    std::istringstream in(line);
    for (std::string word; in >> word;) {
        words.push_back(word.starts_with("$D") ? dir / word.substr(3) : word);
    }
    return test::runProgram(words, {.stdoutPath = stdoutPath,
                                    .stderrPath = dir / "errors",
                                    .signal = signal,
                                    .fileSizeLimit = sizeLimit});
}

TEST(Stops, EveryCommandStopsOrFailsLeavingNothing) {
    test::TempDir dir;
    test::writeFile(dir / "a.bin", test::patternBytes(1234, 1));
    test::writeFile(dir / "b.bin", test::patternBytes(300000, 2));
    ASSERT_EQ(runBuilt(dir, "merge -o $D/img -if4K --manifest $D/img.json $D/a.bin $D/b.bin"), 0);
    const auto before = test::folderState(dir.path().string());
    const char* commands[] = {
        "merge -o $D/img --ihex $D/img.hex --srec $D/img.s19 $D/b.bin",
        "inspect $D/img.bin",
        "verify $D/img.bin -l $D/img.h",
        "verify $D/img.bin --manifest $D/img.json",
        "unpack $D/img.bin -d $D/new/deep",
        "unpack $D/img.bin -d $D/new -l $D/img.h",
    };
    for (const char* command : commands) {
        for (const auto& [signal, status] :
             {std::pair{SIGINT, 130}, {SIGTERM, 143}, {SIGHUP, 129}}) {
            EXPECT_EQ(runBuilt(dir, command, signal), status) << command << " " << signal;
            const std::string said = test::readFile(dir / "errors");
            EXPECT_NE(said.find("stopped"), std::string::npos) << command << said;
            test::writeFile(dir / "errors", "");
            EXPECT_EQ(test::folderState(dir.path().string()), before) << command;
        }
    }
    // Failing part-way: the second file meets the limit, or the paths
    // cannot be printed.
    EXPECT_EQ(runBuilt(dir, "unpack $D/img.bin -d $D/new", 0, 100000), 1);
    EXPECT_NE(test::readFile(dir / "errors").find("002.bin: cannot be written"), std::string::npos);
    test::writeFile(dir / "errors", "");
    EXPECT_EQ(test::folderState(dir.path().string()), before);
    EXPECT_EQ(runBuilt(dir, "unpack $D/img.bin -d $D/new", 0, RLIM_INFINITY, "/dev/full"), 1);
    test::writeFile(dir / "errors", "");
    EXPECT_EQ(test::folderState(dir.path().string()), before);
    EXPECT_EQ(runBuilt(dir, "unpack $D/img.bin -d $D/new"), 0);
    EXPECT_EQ(test::readFile(dir / "new/002.bin"), test::patternBytes(300000, 2));
}

} // namespace
} // namespace zd

// The command line as users and scripts meet it: argument conventions, exit
// codes, what goes to stdout and what to stderr, and the built program under
// signals and a full standard output.
#include "cli.h"
#include "file_intake.h"
#include "image_writer.h"
#include "page_cache.h"
#include "test_files.h"

#include <csignal>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace zd {
namespace {

namespace fs = std::filesystem;
using test::readFile;
using test::writeFile;
using Args = std::vector<std::string>;

class Cli : public ::testing::Test {
  protected:
    void SetUp() override {
        fs::create_directories(dir / "in/sub");
        fs::create_directory(dir / "out");
        writeFile(dir / "in/a.bin", test::patternBytes(1234, 1));
        writeFile(dir / "in/-dash.bin", "0123456789");
        writeFile(dir / "in/sub/B.dot", test::patternBytes(5000, 2));
        writeFile(dir / "in/sub/a.jpg", test::patternBytes(100, 3));
    }
    // `text` with every "$D" replaced by the scratch folder.
    std::string at(std::string text) const {
        for (auto pos = text.find("$D"); pos != std::string::npos; pos = text.find("$D")) {
            text.replace(pos, 2, dir.path().string());
        }
        return text;
    }
    // Runs the command line in this process, keeping what it printed.
    int run(Args args, const std::atomic<bool>* stop = nullptr) {
        for (std::string& arg : args) {
            arg = at(arg);
        }
        std::ostringstream outText, errText;
        const int code = cli::run(args, outText, errText, stop);
        printed = outText.str();
        errors = errText.str();
        return code;
    }
    bool oneLine(const std::string& text) const {
        return !text.empty() && text.find('\n') == text.size() - 1;
    }
    test::TempDir dir;
    std::string out = dir / "out/img";
    std::string printed, errors;
};

// Each convention a user expects, seen in what the run prints: the dry-run
// table shows the front offset (the first address) and the rows it took.
TEST_F(Cli, ArgumentConventions) {
    const fs::path before = fs::current_path();
    fs::current_path(dir.path());
    writeFile(dir / "saved.h", at("{\n/*\tNo,\tFile Name,\t\tSize,\tAddress\t*/\n\n\t1, "
                                  "\"$D/in/sub/B.dot\", 5000, 0;\n}\n"));
    writeFile(dir / "a", at("\xEF\xBB\xBF-f\r\n0x10\n\n$D/in/a.bin\n"));
    writeFile(dir / "b", "--\n");
    writeFile(dir / "@x", "x");
    writeFile(dir / "-d", "0123456789");
    writeFile(dir / "merge", "named like the command");
    const std::string aRow = "\t$D/in/a.bin\t1234\t";
    const struct {
        Args args;
        std::string shown; // a part of stdout, or "" for nothing at all
    } cases[] = {
        {{"merge", "--dry-run", "$D/in/a.bin"}, "1" + aRow + "0\t.bin\n"},
        {{"merge", "--dry-run", "-f4K", "$D/in/a.bin"}, "1" + aRow + "4096\t"},
        {{"merge", "--dry-run", "--front-offset=0x10", "$D/in/a.bin"}, "1" + aRow + "16\t"},
        {{"merge", "--dry-run", "-f", "010", "-f", "1M", "$D/in/a.bin"}, "1" + aRow + "1048576\t"},
        {{"merge", "--dry-run", "-f", "0X4k", "$D/in/a.bin"}, "Image capacity: 5330 bytes\n"},
        {{"merge", "--dry-run", "$D/in/a.bin", "--", "-d", "@x"},
         "1" + aRow + "0\t.bin\n2\t$D/-d\t10\t1234\t\n3\t$D/@x\t1\t1244\t\n"},
        {{"merge", "--dry-run", "$D/in/a.bin", "-l", "$D/saved.h", "$D/in/sub"},
         "1\t$D/in/sub/B.dot\t5000\t0\t.dot\n2" + aRow +
             "5000\t.bin\n3\t$D/in/sub/a.jpg\t100\t"
             "6234\t.jpg\n4\t$D/in/sub/B.dot\t5000\t6334\t.dot\n"},
        {{"merge", "--dry-run", "@a", "@b", "@x"}, "1" + aRow + "16\t.bin\n2\t$D/@x\t1\t1250\t\n"},
        {{"merge", "--dry-run", "merge"}, "1\t$D/merge\t22\t0\t\n"},
        {{"merge", "--dry-run", "-qif8", "$D/in/a.bin"}, ""},
        {{"merge", "--help"}, "-f,--front-offset OFFSET"},
        {{"merge", "-h"}, "@FILE stands for the lines of FILE"},
        {{"help", "merge"}, "--dry-run"},
        {{"--help"}, "@FILE stands for the lines of FILE"},
        {{"-V"}, std::string("zadodaziderav-cli ") + ZD_EXPECTED_VERSION + "\n"},
    };
    for (const auto& [args, shown] : cases) {
        EXPECT_EQ(run(args), 0) << ::testing::PrintToString(args) << errors;
        EXPECT_EQ(errors, "") << ::testing::PrintToString(args);
        EXPECT_TRUE(shown.empty() ? printed.empty() : printed.find(at(shown)) != std::string::npos)
            << ::testing::PrintToString(args) << "\n"
            << printed;
    }
    fs::current_path(before);
    EXPECT_TRUE(test::namesIn(dir / "out").empty());
}

// A usage error is one line on stderr that names the problem, exit 2, and
// nothing on stdout or on disk.
TEST_F(Cli, UsageErrorsNameTheProblem) {
    test::makeSparseFile(dir / "in/big", (16 << 20) + 1);
    const std::pair<Args, std::string> cases[] = {
        {{"merge", "$D/in/a.bin"}, "-o PATH"},
        {{"merge", "-o", "$D/out/"}, "$D/out/"},
        {{"merge", "-o", "$D/out/img", "-f"}, "--front-offset"},
        {{"merge", "-o", "$D/out/img", "--bogus", "$D/in/a.bin"}, "--bogus"},
        {{"merge", "-o", "$D/out/img", "-iz", "$D/in/a.bin"}, "-z"},
        {{"merge", "--dry-run", "-f", "12abc", "$D/in/a.bin"}, "'12abc'"},
        {{"merge", "--dry-run", "-f", "4096M", "$D/in/a.bin"}, "'4096M' is 4 GiB or more"},
        {{"merge", "--dry-run", "-f", "-1", "$D/in/a.bin"}, "'-1'"},
        {{"marge", "-o", "$D/out/img"}, "marge"},
        {{"-o", "$D/out/img"}, "-o"},
        {{"--bogus", "merge", "--dry-run", "$D/in/a.bin"}, "unknown option --bogus"},
        {{"merge", "--dry-run", "@$D/in"}, "response file $D/in"},
        {{"merge", "--dry-run", "@$D/none"}, "response file $D/none"},
        {{"merge", "--dry-run", "@$D/in/big"}, "response file $D/in/big: is larger than 16 MiB"},
    };
    for (const auto& [args, named] : cases) {
        EXPECT_EQ(run(args), 2) << ::testing::PrintToString(args);
        EXPECT_EQ(printed, "") << ::testing::PrintToString(args);
        EXPECT_TRUE(oneLine(errors)) << errors;
        EXPECT_NE(errors.find(at(named)), std::string::npos) << errors;
    }
    EXPECT_EQ(run({}), 2);
    EXPECT_NE(errors.find("Usage:"), std::string::npos);
    EXPECT_TRUE(test::namesIn(dir / "out").empty());
}

// A dry run refuses what the merge would refuse, with the merge's message,
// and lays out an image of exactly 4 GiB. A list file that cannot be read
// is refused as well.
TEST_F(Cli, DryRunChecksAsTheMergeDoes) {
    test::makeSparseFile(dir / "in/one.mib", 1 << 20);
    test::makeSparseFile(dir / "in/two.mib", 2 << 20);
    writeFile(
        dir / "gone.h",
        at("{\n/*\tNo,\tFile Name,\t\tSize,\tAddress\t*/\n\n\t1, \"$D/in/gone.bin\", 5, 0;\n}\n"));
    writeFile(
        dir / "grown.h",
        at("{\n/*\tNo,\tFile Name,\t\tSize,\tAddress\t*/\n\n\t1, \"$D/in/a.bin\", 1000, 0;\n}\n"));
    const std::pair<Args, std::string> refused[] = {
        {{"merge", "--dry-run", "-f4095M", "$D/in/two.mib"}, "$D/in/two.mib: would lie past 4 GiB"},
        {{"merge", "--dry-run", "-l", "$D/gone.h"}, "$D/in/gone.bin: cannot be read"},
        {{"merge", "--dry-run", "-l", "$D/grown.h"},
         "$D/in/a.bin: listed with 1000 bytes but now 1234 bytes long"},
        {{"merge", "--dry-run", "-o", "$D/in/a", "$D/in/a.bin"}, "$D/in/a.bin: the output image"},
        {{"merge", "--dry-run", "-l", "$D/none.h"}, "$D/none.h: cannot be opened"},
        {{"merge", "--dry-run", "-l", "$D/in/a.bin"}, "$D/in/a.bin:"},
    };
    for (const auto& [args, message] : refused) {
        EXPECT_EQ(run(args), 1) << ::testing::PrintToString(args);
        EXPECT_EQ(printed, "");
        EXPECT_EQ(errors.rfind(at("zadodaziderav-cli: " + message), 0), 0u) << errors;
        EXPECT_TRUE(oneLine(errors)) << errors;
    }
    EXPECT_EQ(run({"merge", "--dry-run", "-f4095M", "$D/in/one.mib"}), 0) << errors;
    EXPECT_EQ(printed, at("No.\tFile Name\tSize(byte)\tAddress\tData Format\n"
                          "1\t$D/in/one.mib\t1048576\t4293918720\t.mib\n"
                          "Image capacity: 4294967296 bytes\n"));
}

// stdout carries the output paths only; the note that the table was left out
// goes to stderr; -q prints nothing on success but still reports failures.
// A stop leaves the earlier image as it was.
TEST_F(Cli, WhatEachStreamCarries) {
    EXPECT_EQ(run({"merge", "-i", "-o", out, "$D/in/a.bin"}), 0) << errors;
    EXPECT_EQ(printed, out + ".bin\n" + out + ".h\n");
    EXPECT_EQ(errors, "zadodaziderav-cli: note: the front offset (0 bytes) is not larger than 8 "
                      "bytes per file (8), so no file info table was written\n");

    fs::remove(out + ".h");
    EXPECT_EQ(run({"merge", "-qi", "-o", out, "$D/in/a.bin"}), 0) << errors;
    EXPECT_EQ(printed + errors, "");
    EXPECT_TRUE(fs::exists(out + ".h"));

    writeFile(out + ".bin", "earlier image");
    EXPECT_EQ(run({"merge", "-q", "-o", out, "$D/in/a.bin", "$D/in/missing"}), 1);
    EXPECT_EQ(printed, "");
    EXPECT_TRUE(oneLine(errors) && errors.find(dir / "in/missing") != std::string::npos) << errors;

    const std::atomic<bool> stop{true};
    EXPECT_EQ(run({"merge", "-o", out, "$D/in/a.bin"}, &stop), 1);
    EXPECT_TRUE(oneLine(errors)) << errors;
    EXPECT_EQ(readFile(out + ".bin"), "earlier image");
    EXPECT_EQ(test::namesIn(dir / "out"), (std::vector<std::string>{"img.bin", "img.h"}));
}

// A merge waits for its outputs to reach the disk; --no-sync leaves that to
// the kernel, with the same bytes.
TEST_F(Cli, NoSyncLeavesTheFlushToTheKernel) {
    if (test::onTmpfs(dir.path())) {
        GTEST_SKIP() << "the scratch folder is on tmpfs, which has no disk to flush to";
    }
    writeFile(dir / "in/big", test::patternBytes(1 << 20, 4));
    ASSERT_EQ(run({"merge", "-q", "--no-sync", "-o", "$D/out/loose", "$D/in/big"}), 0) << errors;
    const auto loose = test::pagesNotOnDisk(dir / "out/loose.bin");
    if (!loose || *loose == 0) {
        GTEST_SKIP() << "the kernel does not tell a file's dirty pages (cachestat, Linux 6.5)";
    }
    ASSERT_EQ(run({"merge", "-q", "-o", "$D/out/durable", "$D/in/big"}), 0) << errors;
    EXPECT_EQ(test::pagesNotOnDisk(dir / "out/durable.bin"), 0u);
    EXPECT_EQ(readFile(dir / "out/durable.bin"), readFile(dir / "out/loose.bin"));
}

// Every refused input is named on a line of its own, shown so that no name
// breaks the line or shows as nothing.
TEST_F(Cli, RefusedNamesAreShownWhole) {
    writeFile(dir / "in/two\nlines", "x");
    EXPECT_EQ(run({"merge", "-o", out, "$D/in/a.bin", "$D/in/missing", "", "$D/in/two\nlines"}), 1);
    EXPECT_EQ(printed, "");
    EXPECT_EQ(errors, at("zadodaziderav-cli: $D/in/missing: cannot be read: No such file or "
                         "directory\nzadodaziderav-cli: \"\": an empty name names no file\n"
                         "zadodaziderav-cli: $D/in/two\\nlines: has a name the list file cannot "
                         "carry (a line feed, a carriage return or bytes that are not UTF-8)\n"));
    EXPECT_TRUE(test::namesIn(dir / "out").empty());
}

// The built program, started with its stop signals blocked and held before
// it starts until release(), so that a signal sent meanwhile is waiting for
// it and arrives as soon as the program lets it in.
class BuiltCli : public Cli {
  protected:
    // stdout goes to `stdoutPath`, stderr to dir/"errors"; `ignored`, when
    // not 0, is a signal the parent leaves ignored.
    pid_t start(const Args& args, const std::string& stdoutPath, int ignored = 0) {
        std::vector<std::string> all{ZD_CLI_BINARY};
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (std::string& arg : all) {
            argv.push_back(arg.data());
        }
        argv.push_back(nullptr);
        const std::string errorsPath = dir / "errors";
        sigset_t stops, before;
        sigemptyset(&stops);
        for (const int number : {SIGINT, SIGTERM, SIGHUP}) {
            sigaddset(&stops, number);
        }
        int door[2];
        EXPECT_EQ(::pipe(door), 0);
        ::sigprocmask(SIG_BLOCK, &stops, &before);
        const auto disposition = ignored ? std::signal(ignored, SIG_IGN) : SIG_DFL;
        const pid_t pid = ::fork();
        if (pid == 0) {
            // A test run started in the background inherits SIGINT ignored;
            // the program must meet the dispositions a terminal gives it.
            for (const int number : {SIGINT, SIGTERM, SIGHUP}) {
                if (number != ignored) {
                    std::signal(number, SIG_DFL);
                }
            }
            const int outFd = ::open(stdoutPath.c_str(), O_WRONLY | O_CREAT, 0644);
            const int errFd = ::open(errorsPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            char go = 0;
            if (outFd < 0 || errFd < 0 || ::dup2(outFd, 1) < 0 || ::dup2(errFd, 2) < 0 ||
                ::close(door[1]) != 0 || ::read(door[0], &go, 1) != 1) {
                ::_exit(99);
            }
            ::execv(argv[0], argv.data());
            ::_exit(98);
        }
        if (ignored) {
            std::signal(ignored, disposition);
        }
        ::sigprocmask(SIG_SETMASK, &before, nullptr);
        ::close(door[0]);
        door_ = door[1];
        return pid;
    }
    void release() {
        EXPECT_EQ(::write(door_, "x", 1), 1);
        ::close(door_);
    }
    // The exit status as a shell reports it.
    static int statusOf(pid_t pid) {
        int status = 0;
        EXPECT_EQ(::waitpid(pid, &status, 0), pid);
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    int door_ = -1;
};

TEST_F(BuiltCli, MergesAsMergeImageDoes) {
    const pid_t pid = start(
        {"merge", "--output=" + out, "-if4K", dir / "in/a.bin", dir / "in/sub/"}, dir / "printed");
    release();
    EXPECT_EQ(statusOf(pid), 0) << readFile(dir / "errors");
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

// A stop signal ends the merge with 128 + its number and nothing left
// behind, unless the parent left it ignored. Results that cannot be written
// to stdout fail the run.
TEST_F(BuiltCli, ExitStatusUnderSignalsAndAFullStdout) {
    const Args merge{"merge", "-o", out, dir / "in/a.bin"};
    const struct {
        Args args;
        int signal;
        bool ignored;
        std::string stdoutPath;
        int code;
    } cases[] = {
        {merge, SIGINT, false, dir / "printed", 130},
        {merge, SIGTERM, false, dir / "printed", 143},
        {merge, SIGHUP, false, dir / "printed", 129},
        {merge, SIGHUP, true, dir / "printed", 0},
        {merge, 0, false, "/dev/full", 1},
        {{"merge", "--dry-run", dir / "in/a.bin"}, 0, false, "/dev/full", 1},
        {{"--help"}, 0, false, "/dev/full", 1},
    };
    for (const auto& [args, signal, ignored, stdoutPath, code] : cases) {
        writeFile(out + ".bin", "earlier image");
        fs::remove(out + ".h");
        const pid_t pid = start(args, stdoutPath, ignored ? signal : 0);
        ASSERT_TRUE(pid > 0 && (signal == 0 || ::kill(pid, signal) == 0));
        release();
        const std::string what = ::testing::PrintToString(args) + " signal " +
                                 std::to_string(signal) + ": " + readFile(dir / "errors");
        EXPECT_EQ(statusOf(pid), code) << what;
        if (signal && !ignored) {
            EXPECT_NE(readFile(dir / "errors").find("merge stopped"), std::string::npos) << what;
            EXPECT_EQ(readFile(out + ".bin"), "earlier image") << what;
            EXPECT_EQ(test::namesIn(dir / "out"), std::vector<std::string>{"img.bin"}) << what;
        }
        if (stdoutPath == "/dev/full") {
            EXPECT_TRUE(oneLine(readFile(dir / "errors")) &&
                        readFile(dir / "errors").find("standard output") != std::string::npos)
                << what;
        }
    }
}

} // namespace
} // namespace zd

#include "cli_run.h"

#include "test_files.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zd {
namespace {

using test::CliRun;
using test::runCli;
using test::TempDir;

TEST(CliUsage, UsageErrorsExitWith2AndWriteNothing) {
    TempDir dir;
    test::writeFile(dir / "a.bin", "abc");
    const std::string out = dir / "img";
    const std::vector<std::vector<std::string>> cases{
        {},
        {"frobnicate"},
        {"merge"},
        {"merge", dir / "a.bin"},
        {"merge", "-o"},
        {"merge", "-o", out, "-f"},
        {"merge", "-o", out, "-l"},
        {"merge", "-o", out, "--bogus", dir / "a.bin"},
        {"merge", "-o", out, "-x"},
        {"merge", "-o", dir.path().string() + "/", dir / "a.bin"},
    };
    for (const auto& args : cases) {
        const CliRun run = runCli(args);
        std::string shown;
        for (const std::string& arg : args) {
            shown += arg + " ";
        }
        EXPECT_EQ(run.exitCode, 2) << shown;
        EXPECT_FALSE(run.err.empty()) << shown;
        EXPECT_EQ(run.out, "") << shown;
    }
    EXPECT_EQ(test::namesIn(dir.path()), std::vector<std::string>{"a.bin"});
}

TEST(CliUsage, HelpAndVersionGoToStandardOutput) {
    const CliRun help = runCli({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("merge -o PATH"), std::string::npos);
    EXPECT_EQ(help.err, "");
    const CliRun version = runCli({"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_NE(version.out.find("zadodaziderav-cli"), std::string::npos);
}

} // namespace
} // namespace zd

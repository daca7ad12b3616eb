// Output names with ':' on the command line: on Windows a stream of another
// file, refused by name before anything is written; elsewhere an ordinary
// character.
#include "cli/cli.h"
#include "core/files/path_text.h"
#include "tests/support/run_program.h"
#include "tests/support/test_files.h"

#include <gtest/gtest.h>
#include <sstream>

namespace zd {
namespace {

using Strings = std::vector<std::string>;

// The built program on Windows, the command line's code here: its status,
// and what it said in `said`.
int merge(Strings args, const std::string& saidFile, std::string& said) {
    args.insert(args.begin(), {"merge", "-q"});
#ifdef _WIN32
    const int status = test::runProgram(test::besideThisProgram(ZD_CLI_BINARY), args, saidFile);
    said = test::readFile(saidFile);
#else
    std::ostringstream out;
    const int status = cli::run(args, out, out);
    said = out.str();
    (void)saidFile;
#endif
    return status;
}

TEST(OutputStreamNames, ColonRefusedOnWindowsOnlyNamingTheOutput) {
    test::TempDir dir, talk;
    const std::string input = dir / "b.bin", keep = dir / "keep.bin";
    test::writeFile(input, "bytes");
    test::writeFile(keep, "kept");
    std::string said;
    // "m" + ":x.json", not the drive "m:".
    for (const std::string& named : {keep + ":notes", dir / "img:x", dir / "m" + ":x.json"}) {
        const Strings args = named.ends_with(".json")
                                 ? Strings{"-o", dir / "c", "--manifest", named, input}
                                 : Strings{"-o", named, input};
        EXPECT_EQ(merge(args, talk / "said", said) == 1, files::kWin32) << said;
        EXPECT_EQ(said.find(named + ": a ':' in a file name") != std::string::npos, files::kWin32);
    }
    // Elsewhere the name rule cuts "keep.bin:notes" at its last '.'.
    EXPECT_EQ(test::readFile(keep), files::kWin32 ? "kept" : "bytes");
    EXPECT_EQ(test::namesIn(dir.path()).size(), files::kWin32 ? 2u : 8u);
    EXPECT_EQ(merge({"-o", dir / "d", input}, talk / "said", said), 0) << said; // a drive's ':'
}

} // namespace
} // namespace zd

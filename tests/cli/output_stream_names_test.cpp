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

// Runs the built program on Windows, the command line's code here; its exit
// status, and what it said in `said`.
int merge(const Strings& args, const test::TempDir& dir, std::string& said) {
    Strings all{"merge", "-q"};
    all.insert(all.end(), args.begin(), args.end());
#ifdef _WIN32
    const int status = test::runProgram(test::besideThisProgram(ZD_CLI_BINARY), all, dir / "said");
    said = test::readFile(dir / "said");
    std::filesystem::remove(dir / "said");
    return status;
#else
    (void)dir;
    std::ostringstream out, err;
    const int status = cli::run(all, out, err);
    said = out.str() + err.str();
    return status;
#endif
}

TEST(OutputStreamNames, ColonRefusedOnWindowsOnlyNamingTheOutput) {
    test::TempDir dir;
    const std::string input = dir / "b.bin", keep = dir / "keep.bin";
    test::writeFile(input, "bytes");
    test::writeFile(keep, "kept");
    const Strings given[] = {
        {"-o", keep + ":notes", input},
        {"-o", dir / "img:x", input},
        {"-o", dir / "c", "--manifest", dir / "m" + ":x.json", input}, // not the drive "m:"
    };
    std::string said;
    for (const Strings& args : given) {
        const std::string& named = args[args.size() - 2];
        EXPECT_EQ(merge(args, dir, said), files::kWin32 ? 1 : 0) << named;
        EXPECT_EQ(said.find(named + ": a ':' in a file name") != std::string::npos, files::kWin32)
            << said;
    }
    // Elsewhere the name rule cuts "keep.bin:notes" at its last '.'.
    EXPECT_EQ(test::readFile(keep), files::kWin32 ? "kept" : "bytes");
    const Strings written{"b.bin",   "c.bin",    "c.h",    "img:x.bin",
                          "img:x.h", "keep.bin", "keep.h", "m:x.json"};
    const Strings kept{"b.bin", "keep.bin"};
    EXPECT_EQ(test::namesIn(dir.path()), files::kWin32 ? kept : written);
    // The drive's own ':' is no stream.
    EXPECT_EQ(merge({"-o", dir / "d", input}, dir, said), 0) << said;
}

} // namespace
} // namespace zd

// The dependency file as Make and Ninja read it, with the built program in
// their rules: each merges once, then again only when something the merge
// read has changed: a file in a folder (named with every character a rule
// quotes), a file a list file names, the list file, a response file, a file
// added to or removed from the folder.
#include "tests/support/test_files.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <sys/wait.h>

namespace zd {
namespace {

namespace fs = std::filesystem;

TEST(Depfile, MakeAndNinjaMergeAgainExactlyWhenWhatTheMergeReadChanged) {
    test::TempDir dir;
    const auto shell = [&dir](const std::string& command) {
        const int status =
            std::system(("cd " + dir.path().string() + " && (" + command + ")").c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    fs::create_directory(dir / "in dir");
    const std::vector<std::string> named{"in dir/a #1.bin", "in dir/b$c:d.bin", "in dir/e\\ f.bin"};
    for (const std::string& name : named) {
        test::writeFile(dir / name, name);
    }
    test::writeFile(dir / "listed.bin", "listed");
    test::writeFile(dir / "args.txt", "in dir\n");
    const std::string program = ZD_CLI_BINARY;
    ASSERT_EQ(shell(program + " merge -q -o lst listed.bin"), 0);
    const std::string merge = program + " merge -q -o img.bin --c-header img_layout.h"
                                        " --depfile img.d -l lst.h @args.txt";
    const std::string make = ZD_TEST_MAKE, ninja = ZD_TEST_NINJA;
    const std::vector<std::vector<std::string>> tools{
        {make, "Makefile", "img.bin:\n\t" + merge + "\n-include img.d\n", make + " -sq"},
        {ninja, "build.ninja",
         "rule merge\n  command = " + merge +
             "\n  depfile = img.d\n"
             "build img.bin img.h img_layout.h: merge\n",
         ninja + " -n | grep -q 'no work to do'"}};
    for (const auto& tool : tools) {
        SCOPED_TRACE(tool[0]);
        test::writeFile(dir / tool[1], tool[2]);
        fs::remove(test::pathOf(dir / "img.bin"));
        ASSERT_EQ(shell(tool[0] + " >/dev/null"), 0);
        // The image first, as Ninja wants it, then the other outputs.
        EXPECT_TRUE(test::readFile(dir / "img.d").starts_with("img.bin img.h img_layout.h: \\\n"));
        EXPECT_EQ(shell(tool[3]), 0);
        const std::string added = "in dir/new " + tool[1];
        std::vector<std::string> changes = named;
        changes.insert(changes.end(), {"listed.bin", "lst.h", "args.txt", added, "-" + added});
        for (const std::string& change : changes) {
            if (change.starts_with('-')) {
                fs::remove(test::pathOf(dir / change.substr(1)));
            } else if (change == added) {
                test::writeFile(dir / added, "new");
            } else {
                fs::last_write_time(test::pathOf(dir / change), fs::file_time_type::clock::now());
            }
            EXPECT_NE(shell(tool[3]), 0) << change;
            ASSERT_EQ(shell(tool[0] + " >/dev/null"), 0) << change;
            EXPECT_EQ(shell(tool[3]), 0) << change;
        }
    }
}

} // namespace
} // namespace zd

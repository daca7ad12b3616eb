// The dependency file as Make and Ninja read it, with the built program in
// their rules: each merges once, then again only when something the merge
// read has changed: a file in a folder (named with every character a rule
// quotes), a file a list file names, the list file, a response file, a file
// added to or removed from the folder.
#include "tests/support/test_files.h"

#include <chrono>
#include <cstdlib>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <thread>

namespace zd {
namespace {

TEST(Depfile, MakeAndNinjaMergeAgainExactlyWhenWhatTheMergeReadChanged) {
    test::TempDir dir;
    const auto shell = [&dir](const std::string& command) {
        const int status = std::system(("cd " + dir.path().string() + " && " + command).c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    // Make and Ninja take a prerequisite as changed only when it is strictly
    // newer than the target, and the file system's clock moves in ticks: a
    // change made right after a build could carry the image's own time.
    const auto pastTheImage = [&dir] {
        const auto image = std::filesystem::last_write_time(dir / "img.bin");
        do {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            test::writeFile(dir / "tick", "");
        } while (std::filesystem::last_write_time(dir / "tick") <= image);
    };
    const std::string named = "'in dir/a #1.bin' 'in dir/b$c:d.bin' 'in dir/e\\ f.bin'";
    const std::string program = ZD_CLI_BINARY, make = ZD_TEST_MAKE, ninja = ZD_TEST_NINJA;
    ASSERT_EQ(shell("mkdir 'in dir' && for f in " + named +
                    " listed.bin; do echo \"$f\" >\"$f\";"
                    " done && echo 'in dir' >args.txt && " +
                    program + " merge -q -o lst listed.bin"),
              0);
    const std::string merge = program + " merge -q -o img.bin --c-header img_layout.h"
                                        " --depfile img.d -l lst.h @args.txt";
    const std::vector<std::vector<std::string>> tools{
        {make, "Makefile", "img.bin:\n\t" + merge + "\n-include img.d\n", make + " -q"},
        {ninja, "build.ninja",
         "rule merge\n  command = " + merge +
             "\n  depfile = img.d\n"
             "build img.bin img.h img_layout.h: merge\n",
         ninja + " -n | grep -q 'no work to do'"}};
    for (const auto& tool : tools) {
        SCOPED_TRACE(tool[0]);
        test::writeFile(dir / tool[1], tool[2]);
        ASSERT_EQ(shell("rm -f img.bin && " + tool[0] + " >/dev/null"), 0);
        // The image first, as Ninja wants it, then the other outputs.
        EXPECT_TRUE(test::readFile(dir / "img.d").starts_with("img.bin img.h img_layout.h: \\\n"));
        EXPECT_EQ(shell(tool[3]), 0);
        const std::string added = "'in dir/new " + tool[1] + "'";
        for (const std::string& change :
             std::vector<std::string>{"touch " + named, "touch listed.bin", "touch lst.h",
                                      "touch args.txt", "echo new >" + added, "rm " + added}) {
            pastTheImage();
            EXPECT_NE(shell(change + " && " + tool[3]), 0) << change;
            ASSERT_EQ(shell(tool[0] + " >/dev/null"), 0) << change;
            EXPECT_EQ(shell(tool[3]), 0) << change;
        }
    }
}

} // namespace
} // namespace zd

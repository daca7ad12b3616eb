// The dependency file as Make and Ninja read it, with the built program in
// their rules: each runs the merge once, then again only when something the
// merge read has changed: a file in a folder, a file a list file names, the
// list file, a response file, a file added to or removed from the folder.
// The names hold every character a rule quotes.
#include "tests/support/test_files.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <sys/wait.h>

namespace zd {
namespace {

namespace fs = std::filesystem;
using test::readFile;
using test::writeFile;

class Depfile : public ::testing::Test {
  protected:
    void SetUp() override {
        fs::create_directory(dir / "in dir");
        for (const std::string& name : kFolderFiles) {
            writeFile(dir / name, name);
        }
        writeFile(dir / "listed.bin", "listed");
        writeFile(dir / "args.txt", "in dir\n");
        ASSERT_EQ(shell(std::string(ZD_CLI_BINARY) + " merge -q -o lst listed.bin"), 0) << printed;
    }
    // Runs `command` through the shell in the scratch folder; returns its
    // exit status and keeps what it printed.
    int shell(const std::string& command) {
        const int status = std::system(
            ("cd '" + dir.path().string() + "' && (" + command + ") >log 2>&1").c_str());
        printed = readFile(dir / "log");
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    void touch(const std::string& name) {
        fs::last_write_time(test::pathOf(dir / name), fs::file_time_type::clock::now());
    }
    const std::vector<std::string> kFolderFiles{"in dir/a #1.bin", "in dir/b$c:d.bin",
                                                "in dir/e\\ f.bin"};
    test::TempDir dir;
    std::string printed;
};

TEST_F(Depfile, MakeAndNinjaMergeAgainExactlyWhenWhatTheMergeReadChanged) {
    const std::string merge = std::string(ZD_CLI_BINARY) +
                              " merge -q -o img.bin --c-header img_layout.h --depfile img.d"
                              " -l lst.h @args.txt";
    const struct {
        std::string name, file, rules, upToDate;
    } tools[] = {
        {ZD_TEST_MAKE, "Makefile", "img.bin:\n\t" + merge + "\n-include img.d\n",
         std::string(ZD_TEST_MAKE) + " -q"},
        {ZD_TEST_NINJA, "build.ninja",
         "rule merge\n  command = " + merge +
             "\n  depfile = img.d\nbuild img.bin img.h img_layout.h: merge\n",
         std::string(ZD_TEST_NINJA) + " -n | grep -q 'no work to do'"},
    };
    for (const auto& tool : tools) {
        SCOPED_TRACE(tool.name);
        writeFile(dir / tool.file, tool.rules);
        fs::remove(test::pathOf(dir / "img.bin"));
        ASSERT_EQ(shell(tool.name), 0) << printed;
        // The image first, as Ninja wants it, then the other outputs.
        EXPECT_TRUE(readFile(dir / "img.d").starts_with("img.bin img.h img_layout.h: \\\n"));
        EXPECT_EQ(shell(tool.upToDate), 0) << printed;
        const std::string added = "in dir/new " + tool.file;
        std::vector<std::string> changes = kFolderFiles;
        changes.insert(changes.end(), {"listed.bin", "lst.h", "args.txt", added, "-" + added});
        for (const std::string& change : changes) {
            if (change.starts_with('-')) {
                fs::remove(test::pathOf(dir / change.substr(1)));
            } else if (change == added) {
                writeFile(dir / added, "new");
            } else {
                touch(change);
            }
            EXPECT_NE(shell(tool.upToDate), 0) << change;
            ASSERT_EQ(shell(tool.name), 0) << change << ": " << printed;
            EXPECT_EQ(shell(tool.upToDate), 0) << change << ": " << printed;
        }
    }
}

} // namespace
} // namespace zd

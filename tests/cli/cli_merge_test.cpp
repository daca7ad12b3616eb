#include "cli_run.h"

#include "entry_list.h"
#include "file_intake.h"
#include "image_writer.h"
#include "list_file.h"
#include "output_names.h"
#include "test_files.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <string>
#include <vector>

namespace zd {
namespace {

namespace fs = std::filesystem;
using test::CliRun;
using test::lineCount;
using test::patternBytes;
using test::readFile;
using test::runCli;
using test::TempDir;
using test::writeFile;

class CliMerge : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(dir / "in/sub/deeper");
        fs::create_directory(dir / "out");
        writeFile(dir / "in/a.bin", patternBytes(1234, 1));
        writeFile(dir / "in/sub/B.dot", patternBytes(5000, 2));
        writeFile(dir / "in/sub/a.jpg", patternBytes(100, 3));
        writeFile(dir / "in/sub/.hidden", patternBytes(7, 4));
        writeFile(dir / "in/sub/deeper/not-listed", "x");
    }

    // The rows the window would have for in/a.bin followed by the folder.
    std::vector<std::string> expectedPaths() const {
        return {dir / "in/a.bin", dir / "in/sub/.hidden", dir / "in/sub/a.jpg",
                dir / "in/sub/B.dot"};
    }

    // The image and list file mergeImage writes for the same rows, made
    // under another name for comparison.
    std::pair<std::string, std::string> directMerge(std::uint32_t frontOffset, bool info) const {
        EntryList list;
        list.setFrontOffset(frontOffset);
        list.recomputeLayout();
        list.appendEntries(probeFiles(expectedPaths()).accepted);
        const OutputPaths paths = *outputPathsFor(dir / "direct");
        EXPECT_TRUE(mergeImage(list, info, paths).ok());
        return {readFile(paths.imagePath), readFile(paths.listPath)};
    }

    TempDir dir;
};

TEST_F(CliMerge, MergesFilesAndAFolderExactlyAsMergeImageDoes) {
    const CliRun run = runCli({"merge", "-o", dir / "out/img", "-f", "0x1000", "-i",
                               dir / "in/a.bin", dir / "in/sub/"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, (dir / "out/img.bin") + "\n" + (dir / "out/img.h") + "\n");
    EXPECT_EQ(run.err, "");

    const auto [image, listText] = directMerge(4096, true);
    EXPECT_EQ(readFile(dir / "out/img.bin"), image);
    EXPECT_EQ(readFile(dir / "out/img.h"), listText);
    EXPECT_EQ(image.size(), 4096u + 1234u + 7u + 100u + 5000u);
    EXPECT_EQ(image.substr(0, 4), std::string("\x00\x10\x00\x00", 4));
    EXPECT_EQ(test::namesIn(dir / "out"), (std::vector<std::string>{"img.bin", "img.h"}));
}

TEST_F(CliMerge, LongOptionsAndAnOutputNamedLikeTheListFile) {
    const CliRun run = runCli({"merge", "--output", dir / "out/img.h", "--front-offset", "010",
                               "--info", dir / "in/a.bin", dir / "in/sub"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(readFile(dir / "out/img.bin"), directMerge(8, true).first);
    // 8 bytes cannot hold a table for 4 files.
    EXPECT_NE(run.out.find("note:"), std::string::npos) << run.out;
}

TEST_F(CliMerge, NotesATableThatDoesNotFitOnlyWhenOneWasAskedFor) {
    // Three files need 24 bytes of table; the front area must be larger.
    const CliRun tooSmall = runCli({"merge", "-o", dir / "out/small", "-f", "24", "-i", dir / "in/sub"});
    ASSERT_EQ(tooSmall.exitCode, 0) << tooSmall.err;
    EXPECT_EQ(lineCount(tooSmall.out), 3);
    EXPECT_NE(tooSmall.out.find("note:"), std::string::npos);
    EXPECT_EQ(readFile(dir / "out/small.bin").substr(0, 24), std::string(24, '\xFF'));

    const CliRun fits = runCli({"merge", "-o", dir / "out/fits", "-f", "25", "-i", dir / "in/sub"});
    EXPECT_EQ(fits.out.find("note:"), std::string::npos);
    EXPECT_EQ(readFile(dir / "out/fits.bin").substr(24, 1), "\xFF");
    EXPECT_EQ(readFile(dir / "out/fits.bin").substr(0, 4), std::string("\x19\0\0\0", 4));
    const CliRun notAsked = runCli({"merge", "-o", dir / "out/plain", "-f", "8", dir / "in/sub"});
    EXPECT_EQ(notAsked.out.find("note:"), std::string::npos);
}

TEST_F(CliMerge, DryRunPrintsTheLayoutAndWritesNothing) {
    const CliRun run = runCli({"merge", "--dry-run", "-o", dir / "out/img", "-f", "4096",
                               dir / "in/a.bin", dir / "in/sub"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::string expected = "No.\tFile Name\tSize(byte)\tAddress\tData Format\n"
                                 "1\t" + (dir / "in/a.bin") + "\t1234\t4096\t.bin\n"
                                 "2\t" + (dir / "in/sub/.hidden") + "\t7\t5330\t.hidden\n"
                                 "3\t" + (dir / "in/sub/a.jpg") + "\t100\t5337\t.jpg\n"
                                 "4\t" + (dir / "in/sub/B.dot") + "\t5000\t5437\t.dot\n"
                                 "Image capacity: 10437 bytes\n";
    EXPECT_EQ(run.out, expected);
    EXPECT_TRUE(test::namesIn(dir / "out").empty());

    const CliRun noOutput = runCli({"merge", "--dry-run", dir / "in/a.bin"});
    EXPECT_EQ(noOutput.exitCode, 0);
    EXPECT_NE(noOutput.out.find("Image capacity: 1234 bytes"), std::string::npos);
}

// "." and doubled slashes are dropped from the rows, but ".." after a link
// leads out of the link's target, not back to the folder the link is in.
TEST_F(CliMerge, InputPathsKeepTheirMeaning) {
    fs::create_directories(dir / "far/deep");
    writeFile(dir / "far/x.bin", patternBytes(100, 5));
    writeFile(dir / "x.bin", patternBytes(200, 6));
    fs::create_directory_symlink(dir / "far/deep", dir / "link");
    const CliRun run = runCli({"merge", "--dry-run", dir.path().string() + "/./link/../x.bin",
                               dir.path().string() + "//in/./a.bin"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("1\t" + (dir / "link/../x.bin") + "\t100\t0\t.bin\n"), std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("2\t" + (dir / "in/a.bin") + "\t1234\t100\t.bin\n"), std::string::npos)
        << run.out;
}

TEST_F(CliMerge, ListFilesComeFirstInTheOrderGiven) {
    EntryList saved;
    saved.appendEntries(std::vector<NewEntry>{{dir / "in/sub/B.dot", 5000}});
    ASSERT_FALSE(writeListFile(dir / "saved.h", saved));
    EntryList other;
    other.appendEntries(std::vector<NewEntry>{{dir / "in/sub/a.jpg", 100}});
    ASSERT_FALSE(writeListFile(dir / "other.h", other));

    const CliRun run = runCli({"merge", "--dry-run", "-f", "100", dir / "in/a.bin", "-l",
                               dir / "saved.h", "--list", dir / "other.h"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("1\t" + (dir / "in/sub/B.dot") + "\t5000\t100\t.dot\n"), std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("2\t" + (dir / "in/sub/a.jpg") + "\t100\t5100\t.jpg\n"), std::string::npos);
    EXPECT_NE(run.out.find("3\t" + (dir / "in/a.bin") + "\t1234\t5200\t.bin\n"), std::string::npos);

    // The listed files are merged as listed.
    const CliRun merged = runCli({"merge", "-o", dir / "out/again", "-l", dir / "saved.h"});
    ASSERT_EQ(merged.exitCode, 0) << merged.err;
    EXPECT_EQ(readFile(dir / "out/again.bin"), readFile(dir / "in/sub/B.dot"));
    EXPECT_EQ(readFile(dir / "out/again.h"), readFile(dir / "saved.h"));
}

TEST_F(CliMerge, ARefusedInputFailsWithOneLineNamingIt) {
    writeFile(dir / "out/img.bin", "earlier image");
    const auto expectRefused = [&](const std::vector<std::string>& args, const std::string& named) {
        const CliRun run = runCli(args);
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(lineCount(run.err), 1) << run.err;
        EXPECT_NE(run.err.find(named), std::string::npos) << run.err;
        EXPECT_EQ(readFile(dir / "out/img.bin"), "earlier image");
        EXPECT_EQ(test::namesIn(dir / "out"), std::vector<std::string>{"img.bin"});
    };
    expectRefused({"merge", "-o", dir / "out/img", dir / "in/a.bin", dir / "in/missing.bin"},
                  dir / "in/missing.bin");

    fs::create_symlink(dir / "in/gone", dir / "in/sub/broken");
    expectRefused({"merge", "-o", dir / "out/img", dir / "in/sub"}, dir / "in/sub/broken");
    fs::remove(dir / "in/sub/broken");

    expectRefused({"merge", "-o", dir / "out/img", dir / "in/a.bin", dir / "out/img.bin"},
                  dir / "out/img.bin");
    expectRefused({"merge", "-o", dir / "out/img", dir / "in/nowhere/"}, dir / "in/nowhere");

    // A saved list whose file has changed since.
    EntryList saved;
    saved.appendEntries(std::vector<NewEntry>{{dir / "in/a.bin", 1000}});
    ASSERT_FALSE(writeListFile(dir / "stale.h", saved));
    expectRefused({"merge", "-o", dir / "out/img", "-l", dir / "stale.h"}, dir / "in/a.bin");

    writeFile(dir / "broken.h", "{\n\n\n\t1, \"/a.bin\", 10, 0;\n\t2, \"/b.bin\", many, 10;\n");
    expectRefused({"merge", "-o", dir / "out/img", "-l", dir / "broken.h"}, dir / "broken.h:5:");
    expectRefused({"merge", "-o", dir / "out/img", "-l", dir / "none.h"}, dir / "none.h");
}

TEST_F(CliMerge, AStopRequestedBeforeTheMergeLeavesNothingBehind) {
    writeFile(dir / "out/img.bin", "earlier image");
    writeFile(dir / "out/img.h", "earlier list");
    const std::atomic<bool> stop{true};
    const CliRun run = runCli({"merge", "-o", dir / "out/img", dir / "in/a.bin", dir / "in/sub"}, &stop);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(lineCount(run.err), 1) << run.err;
    EXPECT_EQ(readFile(dir / "out/img.bin"), "earlier image");
    EXPECT_EQ(readFile(dir / "out/img.h"), "earlier list");
    EXPECT_EQ(test::namesIn(dir / "out"), (std::vector<std::string>{"img.bin", "img.h"}));

    const std::atomic<bool> go{false};
    EXPECT_EQ(runCli({"merge", "-o", dir / "out/img", dir / "in/a.bin"}, &go).exitCode, 0);
    EXPECT_EQ(readFile(dir / "out/img.bin"), readFile(dir / "in/a.bin"));
}

} // namespace
} // namespace zd

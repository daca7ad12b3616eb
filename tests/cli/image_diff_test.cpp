// diff through the command line: the runs of changed sectors and the
// summary, images of different lengths, --check, and the records laid over
// OLD by srec_cat as a programmer would, which must give NEW.
#include "tests/cli/cli_run.h"
#include "tests/support/test_files.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>

namespace zd {
namespace {

using test::readFile;
using test::runCli;
using test::writeFile;

class ImageDiff : public ::testing::Test {
  protected:
    // OLD with `changes` (offset, bytes) made, then cut or lengthened to `size`.
    void writeNew(const std::vector<std::pair<std::size_t, std::string>>& changes,
                  std::size_t size) {
        std::string image = oldImage;
        for (const auto& [at, bytes] : changes) {
            image.replace(at, bytes.size(), bytes);
        }
        image.resize(size, '\xFF');
        writeFile(newPath, image);
    }
    // srec_cat moves `records` from 0x08000000 to 0 and lays them over OLD;
    // returns the image it gives.
    std::string laidOverOld(const std::string& records, const std::string& format) {
        const std::string tool = ZD_TEST_SREC_CAT, moved = dir / "moved.s37";
        const std::string command = tool + " " + records + " " + format +
                                    " -offset -0x08000000 -o " + moved + " && " + tool + " " +
                                    oldPath + " -binary -exclude -within " + moved + " " + moved +
                                    " -o " + (dir / "laid.bin") + " -binary";
        EXPECT_EQ(std::system(command.c_str()), 0) << command;
        return readFile(dir / "laid.bin");
    }
    test::TempDir dir;
    std::string oldImage = test::patternBytes(5 * 4096 + 100, 7);
    std::string oldPath = dir / "old.bin";
    std::string newPath = dir / "new.bin";
    void SetUp() override { writeFile(oldPath, oldImage); }
};

TEST_F(ImageDiff, NamesTheChangedSectorsAndTheirRecordsTurnOldIntoNew) {
    // A change across the end of sector 0; one in sector 3, to 0xFF, which
    // the records must still write; NEW goes 5000 bytes further.
    writeNew({{4095, "ab"}, {3 * 4096 + 9, "\xFF\xFF"}}, oldImage.size() + 5000);
    test::CliRun run = runCli({"diff", oldPath, newPath, "--ihex", dir / "up.hex", "--srec",
                               dir / "up.s37", "--base", "0x08000000"});
    EXPECT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(run.out, "0x00000000\t8192\n0x00003000\t4096\n0x00005000\t5100\n"
                       "5 of 7 sectors of 4096 bytes changed: 17388 of 25580 bytes to program\n");
    const std::string newImage = readFile(newPath);
    for (const auto& [records, format] : {std::pair{dir / "up.hex", std::string("-intel")},
                                          std::pair{dir / "up.s37", std::string("")}}) {
        EXPECT_EQ(laidOverOld(records, format), newImage) << records;
    }
    EXPECT_EQ(runCli({"diff", "--check", "--sector", "16M", oldPath, newPath}).code, 1);

    // NEW shorter: OLD's tail is named, not programmed; --check sees it alone.
    writeNew({}, 4096 + 10);
    run = runCli({"diff", "--check", oldPath, newPath, "--ihex", dir / "none.hex"});
    EXPECT_EQ(run.code, 1);
    EXPECT_EQ(run.out, oldPath + " goes on 16474 bytes past the end of " + newPath +
                           ", at 0x0000100A; they stay as they are\n0 of 2 sectors of 4096 "
                           "bytes changed: 0 of 4106 bytes to program\n");
    EXPECT_EQ(readFile(dir / "none.hex"), ":00000001FF\r\n");
    // Names are shown with their controls escaped.
    const std::string odd = dir / "n\x1b[2J.bin";
    writeFile(odd, "x");
    run = runCli({"diff", oldPath, odd});
    EXPECT_TRUE(run.out.find('\x1b') == std::string::npos &&
                run.out.find("end of " + dir / "n\\x1B[2J.bin") != std::string::npos)
        << run.out;
    writeFile(newPath, oldImage);
    // Equal images ending on a sector's end: no sector past it is counted.
    run = runCli({"diff", "--check", "--sector", "4", oldPath, newPath});
    EXPECT_EQ(run.code, 0);
    EXPECT_EQ(run.out, "0 of 5145 sectors of 4 bytes changed: 0 of 20580 bytes to program\n");
}

// Each failure exits with its code and names the problem, writing nothing;
// records never replace an image compared, by its name or another one.
TEST_F(ImageDiff, FailuresAndStopsWriteNothing) {
    writeNew({{0, "x"}}, oldImage.size());
    const std::string newImage = readFile(newPath), hex = dir / "up.hex", alias = dir / "alias.bin";
    std::filesystem::create_hard_link(newPath, alias);
    const std::atomic<bool> stop{true};
    using Args = std::vector<std::string>;
    const std::tuple<Args, int, std::string> runs[] = {
        {{oldPath, newPath, "--srec", dir / "up.s37"}, 1, "diff stopped; nothing was written"},
        {{oldPath, "/dev/zero"}, 1, "/dev/zero: not a regular file"}, // a device may never end
        {{dir / "gone.bin", newPath, "--ihex", hex}, 1, dir / "gone.bin: cannot be read"},
        {{oldPath, newPath, "--ihex", hex, "--base", "0xFFFFF000"}, 1, "would reach past 4 GiB"},
        {{oldPath, newPath, "--ihex", hex, "--srec", oldPath}, 1, "is one of the images compared"},
        {{oldPath, newPath, "--ihex", hex, "--srec", alias}, 1, "is one of the images compared"},
        {{oldPath, newPath, "--sector", "3000"}, 2, "a power of two"},
        {{oldPath, newPath, "--sector", "32M"}, 2, "more than 16 MiB"},
        {{oldPath, newPath, "--base", "4K"}, 2, "--base needs --ihex or --srec"},
    };
    for (const auto& [args, code, problem] : runs) {
        Args words{"diff"};
        words.insert(words.end(), args.begin(), args.end());
        const test::CliRun run =
            runCli(words, problem.starts_with("diff stopped") ? &stop : nullptr);
        EXPECT_EQ(run.code, code) << problem;
        EXPECT_NE(run.err.find(problem), std::string::npos) << run.err;
    }
    EXPECT_EQ(test::namesIn(dir.path()), (Args{"alias.bin", "new.bin", "old.bin"}));
    EXPECT_TRUE(readFile(oldPath) == oldImage && readFile(newPath) == newImage);
}

} // namespace
} // namespace zd

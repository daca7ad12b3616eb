// The command line's outputs as the tools that use them read them: the
// README's boot check compiled (C99 and C++) over the C header's table and run
// over the image; diff's records laid over the old image by srec_cat as a
// programmer would, which must give the new one; the dependency file in the
// rules of Make and Ninja.
#include "core/model/file_names.h"
#include "tests/cli/cli_run.h"
#include "tests/support/folder_state.h"

#include <chrono>
#include <cstdlib>
#include <sys/wait.h>
#include <thread>

namespace zd {
namespace {

using test::readFile;
using test::writeFile;
using namespace std::string_literals;

class FirmwareTools : public test::CliInFolder {
  protected:
    // `command` run by the shell in the scratch folder; its exit status.
    int shell(const std::string& command) {
        const int status = std::system(("cd '" + dir.path().string() + "' && " + command).c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
};

constexpr const char* kOtherFile = R"(#include "flash_layout.h"
unsigned image_bytes(void) { return ZD_IMAGE_BYTES; }
)";

// Reads the flash from the image named on the command line.
constexpr const char* kBoard = R"(#include "flash_layout.h"
#include <stdio.h>
unsigned check_assets(void);
static FILE *flash;
void flash_read(uint32_t address, unsigned char *data, uint32_t size) {
    if (fseek(flash, (long)address, SEEK_SET) != 0 || fread(data, 1, size, flash) != size) {
        data[0] ^= 1u;
    }
}
int main(int argc, char **argv) {
    flash = argc > 1 ? fopen(argv[1], "rb") : NULL;
    return flash ? (int)check_assets() : 99;
}
)";

// The README's C block that walks the table, in a program of several files
// beside one that includes the header without the table.
TEST_F(FirmwareTools, TheReadmeBootCheckFindsTheFileThatChanged) {
    writeFile(dir / "a.bin", test::patternBytes(1000, 1));
    writeFile(dir / "b.dot", test::patternBytes(70000, 2));
    writeFile(dir / "c.jpg", test::patternBytes(300, 3));
    ASSERT_EQ(run("merge -q -f 4K -o $D/img --c-header $D/flash_layout.h --c-table $D/a.bin "
                  "$D/b.dot $D/c.jpg"),
              0)
        << errors;
    const std::string readme = readFile(ZD_SOURCE_DIR "/README.md");
    const auto walk = readme.find("&zd_files[i]"), begin = readme.rfind("```c\n", walk) + 5;
    writeFile(dir / "assets.c", readme.substr(begin, readme.find("```\n", walk) - begin));
    writeFile(dir / "other.c", kOtherFile);
    writeFile(dir / "board.c", kBoard);
    // One byte of the middle file changed in the flash, at its end.
    std::string flash = readFile(dir / "img.bin");
    flash[4096 + 1000 + 69999] ^= 0x40;
    writeFile(dir / "flash.bin", flash);
    for (const std::string compiler : {ZD_TEST_CC " -std=c99", ZD_TEST_CXX " -x c++ -std=c++20"}) {
        ASSERT_EQ(shell(compiler + " -Wall -Wextra -Werror -pedantic -O0 assets.c other.c board.c"),
                  0);
        EXPECT_EQ(shell("./a.out img.bin"), 0) << compiler;
        EXPECT_EQ(shell("./a.out flash.bin"), 2) << compiler;
    }
}

// diff: the runs of changed sectors and the summary, images of different
// lengths, --check; each failure names the problem and writes nothing, and
// records never replace an image compared, by its name or another one.
TEST_F(FirmwareTools, DiffNamesTheChangedSectorsAndItsRecordsTurnOldIntoNew) {
    const std::string old = test::patternBytes(5 * 4096 + 100, 7), srec = ZD_TEST_SREC_CAT " ";
    writeFile(dir / "old.bin", old);
    // A change across the end of sector 0; one in sector 3, to 0xFF, which
    // the records must still write; NEW goes 5000 bytes further.
    std::string image = old;
    image.replace(4095, 2, "ab")
        .replace(3 * 4096 + 9, 2, "\xFF\xFF")
        .resize(old.size() + 5000, '\xFF');
    writeFile(dir / "new.bin", image);
    EXPECT_EQ(run("diff $D/old.bin $D/new.bin --ihex $D/up.hex --srec $D/up.s37 --base 0x08000000"),
              0)
        << errors;
    EXPECT_EQ(printed, "0x00000000\t8192\n0x00003000\t4096\n0x00005000\t5100\n"
                       "5 of 7 sectors of 4096 bytes changed: 17388 of 25580 bytes to program\n");
    // srec_cat moves the records from 0x08000000 to 0 and lays them over OLD.
    for (const std::string records : {"up.hex -intel", "up.s37"}) {
        ASSERT_EQ(shell(srec + records + " -offset -0x08000000 -o moved.s37 && " + srec +
                        "old.bin -binary -exclude -within moved.s37 moved.s37 -o laid.bin -binary"),
                  0);
        EXPECT_EQ(readFile(dir / "laid.bin"), image) << records;
    }
    EXPECT_EQ(run("diff --check --sector 16M $D/old.bin $D/new.bin"), 1);

    // NEW the start of OLD: OLD's tail is named, not programmed, so --check
    // finds nothing to program.
    writeFile(dir / "new.bin", old.substr(0, 4096 + 10));
    EXPECT_EQ(run("diff --check $D/old.bin $D/new.bin --ihex $D/none.hex"), 0);
    EXPECT_EQ(printed, at("$D/old.bin goes on 16474 bytes past the end of $D/new.bin, at "
                          "0x0000100A; they stay as they are\n0 of 2 sectors of 4096 bytes "
                          "changed: 0 of 4106 bytes to program\n"));
    EXPECT_EQ(readFile(dir / "none.hex"), ":00000001FF\r\n");
    writeFile(dir / "n\x1b[2J.bin", "x"); // names show their controls escaped
    run("diff $D/old.bin $D/n\x1b[2J.bin");
    EXPECT_TRUE(printed.find('\x1b') == std::string::npos &&
                printed.find(at("end of $D/n\\x1B[2J.bin")) != std::string::npos)
        << printed;
    // Equal images ending on a sector's end: no sector past it is counted.
    writeFile(dir / "new.bin", old);
    EXPECT_EQ(run("diff --check --sector 4 $D/old.bin $D/new.bin"), 0);
    EXPECT_EQ(printed, "0 of 5145 sectors of 4 bytes changed: 0 of 20580 bytes to program\n");

    writeFile(dir / "new.bin", std::string("x").append(old, 1));
    std::filesystem::create_hard_link(dir / "new.bin", dir / "alias.bin");
    const auto before = test::folderState(dir.path().string());
    const std::atomic<bool> stop{true};
    const std::string both = "diff $D/old.bin $D/new.bin ";
    const std::tuple<std::string, int, std::string> runs[] = {
        {both + "--srec $D/up.s19", 1, "diff stopped; nothing was written"}, // stopped
        {"diff $D/old.bin /dev/zero", 1, "/dev/zero: not a regular file"},   // may never end
        {"diff $D/gone.bin $D/new.bin --ihex $D/x.hex", 1, "$D/gone.bin: cannot be read"},
        {both + "--ihex $D/x.hex --base 0xFFFFF000", 1, "would reach past 4 GiB"},
        {both + "--ihex $D/x.hex --srec $D/old.bin", 1, "is one of the images compared"},
        {both + "--ihex $D/x.hex --srec $D/alias.bin", 1, "is one of the images compared"},
        {both + "--sector 3000", 2, "a power of two"},
        {both + "--sector 32M", 2, "more than 16 MiB"},
        {both + "--base 4K", 2, "--base needs --ihex or --srec"},
    };
    for (const auto& [line, code, problem] : runs) {
        EXPECT_EQ(run(line, problem.starts_with("diff stopped") ? &stop : nullptr), code) << line;
        EXPECT_NE(errors.find(at(problem)), std::string::npos) << errors;
    }
    EXPECT_EQ(test::folderState(dir.path().string()), before);
}

// Make and Ninja, with the built program in their rules, merge once, then
// again only when something the merge read has changed: each file of a
// folder, named with what a rule must quote or holds as it is, a file a
// list file names, the list file, a response file, a file added to or
// removed from the folder.
TEST_F(FirmwareTools, MakeAndNinjaMergeAgainExactlyWhenWhatTheMergeReadChanged) {
    // Make and Ninja take a prerequisite as changed only when it is strictly
    // newer than the target, and the file system's clock moves in ticks: a
    // change made right after a build could carry the image's own time.
    const auto pastTheImage = [this] {
        const auto image = std::filesystem::last_write_time(dir / "img.bin");
        do {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            writeFile(dir / "tick", "");
        } while (std::filesystem::last_write_time(dir / "tick") <= image);
    };
    std::filesystem::create_directory(dir / "in dir");
    std::vector<std::string> changes;
    for (const std::string name : {"a #1.bin", "#b$c:d.bin", "e\\ f\\g.bin", " h!@,+{}~.bin",
                                   "(i) [j.bin", "k(l).bin", "\xC3\xBC-m.bin"}) {
        writeFile(dir / ("in dir/" + name), name);
        changes.push_back(dir / ("in dir/" + name));
    }
    const std::string program = ZD_CLI_BINARY, make = ZD_TEST_MAKE, ninja = ZD_TEST_NINJA;
    writeFile(dir / "listed.bin", "listed");
    writeFile(dir / "args.txt", "in dir");
    ASSERT_EQ(shell(program + " merge -q -o lst listed.bin"), 0);
    changes.insert(changes.end(), {dir / "listed.bin", dir / "lst.h", dir / "args.txt"});
    const std::string merge = program + " merge -q -o img.bin --c-header img_layout.h"
                                        " --depfile img.d -l lst.h @args.txt";
    const std::vector<std::vector<std::string>> tools{
        {make, "Makefile", "img.bin:\n\t" + merge + "\n-include img.d\n", make + " -q"},
        {ninja, "build.ninja",
         "rule merge\n  command = " + merge +
             "\n  depfile = img.d\nbuild img.bin img.h img_layout.h: merge\n",
         ninja + " -n | grep -q 'no work to do'"}};
    for (const auto& tool : tools) {
        SCOPED_TRACE(tool[0]);
        writeFile(dir / tool[1], tool[2]);
        ASSERT_EQ(shell("rm -f img.bin && " + tool[0] + " >/dev/null"), 0);
        // The image first, as Ninja wants it, then the other outputs.
        EXPECT_TRUE(readFile(dir / "img.d").starts_with("img.bin img.h img_layout.h: \\\n"));
        EXPECT_EQ(shell(tool[3]), 0);
        const std::string added = dir / ("in dir/new " + tool[1]);
        for (const std::string& change : changes) {
            pastTheImage();
            writeFile(change, readFile(change));
            EXPECT_NE(shell(tool[3]), 0) << change;
            ASSERT_EQ(shell(tool[0] + " >/dev/null"), 0) << change;
            EXPECT_EQ(shell(tool[3]), 0) << change;
        }
        for (const bool add : {true, false}) {
            pastTheImage();
            if (add) {
                writeFile(added, "new");
            } else {
                std::filesystem::remove(added);
            }
            EXPECT_NE(shell(tool[3]), 0) << add;
            ASSERT_EQ(shell(tool[0] + " >/dev/null"), 0) << add;
            EXPECT_EQ(shell(tool[3]), 0) << add;
        }
    }
}

// A name that Make or Ninja would read otherwise, an input's or an
// output's, refuses --depfile, naming the file, before anything is written.
TEST_F(FirmwareTools, ADependencyFileRefusesNamesMakeOrNinjaWouldMisread) {
    writeFile(dir / "ok.bin", "ok");
    const auto before = test::folderState(dir.path().string());
    const std::string merge = "merge -o $D/img --depfile $D/img.d $D/ok.bin";
    const std::pair<std::string, std::string> refused[] = {
        {"semi;colon", "Ninja cannot read ';'"},
        {"it's", "Ninja cannot read '''"},
        {"a\tb", "control character"},
        {"100%", "as a pattern"},
        {"a=b", "as an assignment"},
        {"w[1].bin", "wildcard"},
        {"end\\", "backslash"},
        {"q\\#", "backslash"},
        {"colon:", "end of the rule's targets"},
        {"space ", "drops a space"},
        {"arc(m)", "member of an archive"},
    };
    for (const auto& [name, why] : refused) {
        const std::string path = dir / name;
        writeFile(path, "x");
        std::vector<std::string> args = test::wordsOf(merge, dir.path().string());
        args.push_back(path);
        EXPECT_EQ(runWith(args), 1) << name;
        EXPECT_NE(errors.find("cannot name " + printableName(path) + ": "), std::string::npos)
            << errors;
        EXPECT_NE(errors.find(why), std::string::npos) << errors;
        std::filesystem::remove(path);
    }
    // An output, refused by the dry run too.
    EXPECT_EQ(run(merge + " --c-header $D/100%.h --dry-run"), 1);
    EXPECT_NE(errors.find(at("cannot name $D/100%.h")), std::string::npos) << errors;
    EXPECT_EQ(test::folderState(dir.path().string()), before);
}

} // namespace
} // namespace zd

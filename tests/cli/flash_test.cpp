// flash through the command line with real flashrom and its dummy
// programmer, which emulates a W25Q128FV (16 MiB) in a file: only the
// image's range changes, with --previous only its changed sectors and the
// chip is not read first, a --previous the chip does not hold is caught by
// --verify, and every refusal leaves the chip as it was and no scratch file.
// The merge's companions as stock tools read them: flashrom takes a region
// by its name through the layout file and through the FMAP; xmllint reads
// the picture, rsvg-convert draws it with every block in its place.
#include "core/firmware/layout_map.h"
#include "tests/cli/cli_run.h"
#include "tests/support/png_pixels.h"
#include "tests/support/posix_child.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <sys/wait.h>
#include <thread>

namespace zd {
namespace {

using test::readFile;
using test::writeFile;

constexpr std::size_t kChip = 16 << 20;

// flashrom as it fails or takes its time: the real one for the probe and
// for what $D/mode does not name; for a write or a read it names, flashrom
// 1.3's words of a failure, or its pid in $D/pid and a long sleep; or the
// image removed while the chip is probed.
constexpr const char* kFakeFlashrom = R"(#!/bin/sh
case "$(cat DIR/mode)$*" in image-gone*--flash-size*) rm DIR/img.bin;; esac
case "$*" in *--flash-size*) exec FLASHROM "$@";; esac
case "$(cat DIR/mode)$*" in
write-fails*-w*) printf 'Reading old flash chip contents... done.\nErasing and writing flash chip... ERASE FAILED at 0x00001000! Expected=0xff, Found=0x00\nERASE FAILED!\nFAILED!\nUh oh. Erase/write failed. Checking if anything has changed.\nReading current flash chip contents... done.\nYour flash chip is in an unknown state.\n'; exit 1;;
read-fails*-r*) printf 'Reading flash... Read operation failed!\nFAILED.\n'; exit 1;;
read-quiet*-r*) printf 'Reading flash... \nthe programmer went away\n'; exit 1;;
write-slow*-w*) echo $$ >DIR/pid; echo 'Erasing and writing flash chip... '; exec sleep 30;;
read-slow*-r*) echo $$ >DIR/pid; echo 'Reading flash... '; exec sleep 30;;
esac
exec FLASHROM "$@"
)";

class Flash : public test::CliInFolder {
  protected:
    void SetUp() override {
        // The scratch files flashrom is handed go here, to be seen gone.
        std::filesystem::create_directory(test::pathOf(dir / "tmp"));
        ::setenv("TMPDIR", (dir / "tmp").c_str(), 1);
        chip = std::string(kChip, '\xFF');
        chip.replace(0x800000, 4096, test::patternBytes(4096, 99)); // a marker elsewhere
        writeFile(dir / "chip.bin", chip);
    }
    void TearDown() override { ::unsetenv("TMPDIR"); }
    // `command` with the dummy programmer's chip.
    int flash(const std::string& command) {
        return run(command + " -p dummy:emulate=W25Q128FV,image=$D/chip.bin");
    }
    // The chip holds what it is expected to, and no scratch file is left.
    void expectChip(const std::string& why) {
        EXPECT_TRUE(readFile(dir / "chip.bin") == chip) << why;
        EXPECT_TRUE(std::filesystem::is_empty(test::pathOf(dir / "tmp"))) << why;
    }
    // The fake flashrom above at $D/fake.
    void writeFakeFlashrom() {
        writeFile(dir / "fake",
                  std::regex_replace(
                      std::regex_replace(kFakeFlashrom, std::regex("FLASHROM"), ZD_TEST_FLASHROM),
                      std::regex("DIR"), dir.path().string()));
        std::filesystem::permissions(test::pathOf(dir / "fake"), std::filesystem::perms::owner_all);
    }
    int shell(const std::string& command) {
        const int status = std::system(("cd '" + dir.path().string() + "' && " + command).c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    std::string chip; // what the chip should hold
};

TEST_F(Flash, ProgramsTheImagesRangeAndNothingElse) {
    const std::string image = test::patternBytes(100000, 1);
    writeFile(dir / "img.bin", image);
    ASSERT_EQ(flash("flash $D/img.bin"), 0) << errors;
    EXPECT_EQ(printed, at("chip W25Q128.V (16777216 bytes): $D/img.bin (100000 bytes) goes to "
                          "0x00000000 to 0x0001869F; the rest of the chip stays as it is\n"
                          "flashrom reads the range first and writes only the blocks that differ\n"
                          "flashrom erased 0 and wrote 25 of 25 blocks\n"
                          "done: the range 0x00000000 to 0x0001869F holds $D/img.bin (checked by "
                          "flashrom)\n"));
    EXPECT_EQ(errors, "flashrom: reading the range...\n"
                      "flashrom: erasing and writing the blocks that differ...\n"
                      "flashrom: checking what it wrote...\n");
    chip.replace(0, image.size(), image);
    expectChip("at 0");
    // At 1 MiB, read back; the image at 0 stays.
    ASSERT_EQ(flash("flash $D/img.bin --at 1M --verify"), 0) << errors;
    EXPECT_TRUE(printed.ends_with(at("holds $D/img.bin (read back and compared)\n"))) << printed;
    chip.replace(0x100000, image.size(), image);
    expectChip("at 1 MiB");
    // Two sectors changed: flashrom reads the range and writes just them.
    std::string changed = image;
    changed[5000] ^= 1;
    changed[99999] ^= 1;
    writeFile(dir / "img.bin", changed);
    ASSERT_EQ(flash("flash $D/img.bin"), 0) << errors;
    EXPECT_NE(printed.find("flashrom erased 2 and wrote 2 of 25 blocks\n"), std::string::npos);
    chip.replace(0, changed.size(), changed);
    expectChip("changed");
    // Both streams into one file: each stage after what was printed before
    // it. An image of one block.
    writeFile(dir / "small.bin", "small");
    ASSERT_EQ(shell(ZD_CLI_BINARY " flash small.bin --at 2M "
                                  "-p dummy:emulate=W25Q128FV,image=chip.bin >both 2>&1"),
              0);
    EXPECT_EQ(readFile(dir / "both"),
              "chip W25Q128.V (16777216 bytes): small.bin (5 bytes) goes to 0x00200000 to "
              "0x00200004; the rest of the chip stays as it is\n"
              "flashrom reads the range first and writes only the blocks that differ\n"
              "flashrom: reading the range...\n"
              "flashrom: erasing and writing the blocks that differ...\n"
              "flashrom: checking what it wrote...\n"
              "flashrom erased 0 and wrote 1 of 1 blocks\n"
              "done: the range 0x00200000 to 0x00200004 holds small.bin (checked by flashrom)\n");
    chip.replace(0x200000, 5, "small");
    expectChip("one block");
}

// The sectors that differ from --previous are written and the chip is not
// read first, its bytes past the previous image's end included (which the
// new image has erased, and the chip does not).
TEST_F(Flash, PreviousWritesOnlyTheChangedSectorsUnread) {
    const std::string old = test::patternBytes(50000, 2);
    std::string image = old + std::string(10000, '\xFF');
    image[12288] ^= 0x55;
    writeFile(dir / "old.bin", old);
    writeFile(dir / "img.bin", image);
    chip.replace(0x3000, 60000, old + test::patternBytes(10000, 3));
    writeFile(dir / "chip.bin", chip);
    ASSERT_EQ(run("diff $D/old.bin $D/img.bin"), 0);
    EXPECT_EQ(printed, "0x00003000\t4096\n0x0000C000\t10848\n4 of 15 sectors of 4096 bytes "
                       "changed: 14944 of 60000 bytes to program\n");
    ASSERT_EQ(flash("flash $D/img.bin --at 0x3000 --previous $D/old.bin"), 0) << errors;
    EXPECT_NE(printed.find(at("\n0x00006000\t4096\n0x0000F000\t10848\n4 of 15 sectors of 4096 "
                              "bytes differ from $D/old.bin: 14944 bytes to program, the rest is "
                              "not read\n")),
              std::string::npos)
        << printed;
    // Not read first; the two blocks the image leaves erased need no write.
    EXPECT_EQ(errors.find("reading the range"), std::string::npos) << errors;
    EXPECT_NE(printed.find("flashrom erased 4 and wrote 2 of 4 blocks"), std::string::npos)
        << printed;
    chip.replace(0x3000, image.size(), image);
    expectChip("the changed sectors");
    // Nothing differs: nothing to write, and nothing claimed as checked.
    ASSERT_EQ(flash("flash $D/img.bin --at 0x3000 --previous $D/img.bin"), 0) << errors;
    EXPECT_NE(printed.find("nothing to program"), std::string::npos) << printed;
    EXPECT_TRUE(printed.ends_with(
        at(" holds $D/img.bin as --previous says (not read; --verify reads it back)\n")))
        << printed;
    EXPECT_EQ(errors, "");
    expectChip("unchanged");
}

// A --previous the chip does not hold leaves sectors unwritten that the
// read back finds; programmed again, the range holds the image.
TEST_F(Flash, VerifyMendsWhatAWrongPreviousLeft) {
    const std::string held = test::patternBytes(20000, 4);
    std::string image = held;
    image.replace(8192, 100, std::string(100, 'x'));
    std::string wrong = image;
    wrong[100] ^= 1; // the only sector said to differ
    writeFile(dir / "img.bin", image);
    writeFile(dir / "wrong.bin", wrong);
    chip.replace(0, held.size(), held);
    writeFile(dir / "chip.bin", chip);
    ASSERT_EQ(flash("flash $D/img.bin --previous $D/wrong.bin --verify"), 0) << errors;
    EXPECT_NE(printed.find(at("the range read back differs from the image in 1 sector: the chip "
                              "did not hold $D/wrong.bin; programming the whole range again")),
              std::string::npos)
        << printed;
    chip.replace(0, image.size(), image);
    expectChip("mended");
}

TEST_F(Flash, RefusalsLeaveTheChipAsItWas) {
    writeFile(dir / "img.bin", test::patternBytes(100000, 5));
    writeFile(dir / "empty.bin", "");
    writeFile(dir / "garbage", "\x7F\x01 not a program");
    std::filesystem::permissions(test::pathOf(dir / "garbage"), std::filesystem::perms::owner_all);
    const std::string dummy = " -p dummy:emulate=W25Q128FV,image=$D/chip.bin";
    const std::tuple<std::string, int, std::string> refusals[] = {
        {"flash $D/img.bin -p nonsense", 1,
         "flashrom: refused -p nonsense; the chip was not changed. It said:\n  Error: Unknown "
         "programmer \"nonsense\"."},
        {"flash $D/img.bin" + dummy + ",bogus=1", 1, "  Unhandled programmer parameters: bogus=1"},
        {"flash $D/img.bin -p dummy:emulate=MX25L6436,image=$D/mx.bin", 1,
         "flashrom: several chip definitions match the chip found (MX25L6405, MX25L6405D, "
         "MX25L6406E/MX25L6408E, MX25L6436E/MX25L6445E/MX25L6465E/MX25L6473E/MX25L6473F); name "
         "the right one with --chip, as in --chip MX25L6405\n"},
        {"flash $D/img.bin -p dummy", 1,
         "flashrom: found no flash chip on -p dummy; check the programmer and its wiring"},
        {"flash $D/img.bin --at 0xFE7961" + dummy, 1,
         "$D/img.bin: 100000 bytes at 0x00FE7961 do not fit the chip W25Q128.V of 16777216 "
         "bytes; the chip was not changed\n"},
        {"flash $D/gone.bin" + dummy, 1, "$D/gone.bin: cannot be read: "},
        {"flash $D/empty.bin" + dummy, 1, "$D/empty.bin: is empty: nothing to program\n"},
        {"flash $D/img.bin --previous $D/tmp" + dummy, 1, "$D/tmp: cannot be read: "},
        {"flash $D/img.bin --flashrom $D/img.bin" + dummy, 1,
         "$D/img.bin: no program to run here; name flashrom's own path with --flashrom\n"},
        {"flash $D/img.bin --flashrom $D/garbage" + dummy, 1,
         "flashrom: cannot be started: Exec format error\n"},
        {"flash $D/img.bin", 2, "--programmer is required"},
        {"flash $D/img.bin --previous=" + dummy, 2, "--previous: an empty name names no file"},
        {"flash $D/img.bin --chip ''" + dummy, 2, "--chip: an empty value names no chip"},
        {"flash $D/img.bin --flashrom=" + dummy, 2, "--flashrom: an empty name names no file"},
        {"flash $D/img.bin -p ''", 2, "--programmer: an empty value names no programmer"},
    };
    for (const auto& [line, code, said] : refusals) {
        EXPECT_EQ(run(line), code) << line << errors;
        EXPECT_NE(errors.find(at(said)), std::string::npos) << line << "\n" << errors;
        expectChip(line);
    }
    // The image ending exactly at the chip's end fits.
    ASSERT_EQ(flash("flash $D/img.bin --at 0xFE7960"), 0) << errors;
}

// flashrom's failures passed on, saying what the chip may hold: a failed
// write names the range, a failed read-back says it was written.
TEST_F(Flash, FlashromsFailuresArePassedOn) {
    writeFakeFlashrom();
    // The image gone once checked, before flashrom's files hold it: named,
    // and nothing programmed.
    writeFile(dir / "img.bin", "checked");
    writeFile(dir / "mode", "image-gone");
    EXPECT_EQ(flash("flash $D/img.bin --flashrom $D/fake"), 1);
    EXPECT_NE(errors.find(at("$D/img.bin: cannot be read: ")), std::string::npos) << errors;
    EXPECT_NE(errors.find("the chip was not changed"), std::string::npos) << errors;
    expectChip("image gone");

    writeFile(dir / "img.bin", test::patternBytes(100000, 10));
    writeFile(dir / "mode", "write-fails");
    EXPECT_EQ(flash("flash $D/img.bin --flashrom $D/fake"), 1);
    EXPECT_EQ(errors.substr(errors.find("zadodaziderav-cli: ")),
              "zadodaziderav-cli: flashrom: failed writing: the range 0x00000000 to 0x0001869F may "
              "be half programmed; program it again without --previous. It said:\n"
              "  Erasing and writing flash chip... ERASE FAILED at 0x00001000! Expected=0xff, "
              "Found=0x00\n  ERASE FAILED!\n  FAILED!\n  Uh oh. Erase/write failed. Checking if "
              "anything has changed.\n  Your flash chip is in an unknown state.\n");
    writeFile(dir / "mode", "read-fails");
    EXPECT_EQ(flash("flash $D/img.bin --verify --flashrom $D/fake"), 1);
    EXPECT_NE(
        errors.find("flashrom: failed reading the range back: it was programmed but not "
                    "checked. It said:\n  Reading flash... Read operation failed!\n  FAILED.\n"),
        std::string::npos)
        << errors;
    // Without a line that says what failed, the last one.
    writeFile(dir / "mode", "read-quiet");
    EXPECT_EQ(flash("flash $D/img.bin --verify --flashrom $D/fake"), 1);
    EXPECT_TRUE(errors.ends_with("It said:\n  the programmer went away\n")) << errors;
    chip.replace(0, 100000, readFile(dir / "img.bin"));
    expectChip("written, not read back");
}

// Stopped before flashrom writes, the chip is as it was; stopped while it
// writes, flashrom is ended and the range may be half programmed; stopped
// while it reads back, the range is programmed. Without flashrom on the
// PATH, the one of the system's folders is found.
TEST_F(Flash, AStopEndsFlashromAndSaysWhatTheChipMayHold) {
    writeFile(dir / "img.bin", test::patternBytes(100000, 9));
    const std::vector<std::string> words = {ZD_CLI_BINARY, "flash", dir / "img.bin", "-p",
                                            "dummy:emulate=W25Q128FV,image=" + dir / "chip.bin"};
    EXPECT_EQ(test::runProgram(words, {.stderrPath = dir / "said", .signal = SIGINT}), 130);
    EXPECT_NE(readFile(dir / "said").find("stopped; the chip was not changed"), std::string::npos);
    expectChip("a stop before");

    writeFakeFlashrom();
    std::vector<std::string> slow = words;
    slow.insert(slow.end(), {"--flashrom", dir / "fake", "--verify"});
    for (const char* mode : {"write-slow", "read-slow"}) {
        writeFile(dir / "mode", mode);
        std::filesystem::remove(test::pathOf(dir / "pid"));
        const pid_t flash = ::fork();
        if (flash == 0) {
            std::signal(SIGINT, SIG_DFL);
            (void)!std::freopen((dir / "said").c_str(), "w", stderr);
            (void)!std::freopen("/dev/null", "w", stdout);
            std::vector<char*> argv;
            for (std::string& word : slow) {
                argv.push_back(word.data());
            }
            argv.push_back(nullptr);
            ::execv(argv[0], argv.data());
            ::_exit(98);
        }
        for (int tries = 0; tries < 1000 && readFile(dir / "pid").empty(); ++tries) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        const pid_t sleeper = std::atoi(readFile(dir / "pid").c_str());
        ASSERT_GT(sleeper, 0) << mode;
        std::this_thread::sleep_for(std::chrono::milliseconds(100)); // flashrom is at work
        ::kill(flash, SIGINT);
        int status = 0;
        ASSERT_EQ(::waitpid(flash, &status, 0), flash);
        EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, 130) << mode;
        EXPECT_NE(readFile(dir / "said")
                      .find(mode == std::string("write-slow")
                                ? "stopped while flashrom was writing: the range 0x00000000 to "
                                  "0x0001869F may be half programmed"
                                : "stopped: the range was programmed, but not read back"),
                  std::string::npos)
            << readFile(dir / "said");
        EXPECT_EQ(::kill(sleeper, 0), -1) << mode; // ended and gone
        if (mode == std::string("read-slow")) {
            chip.replace(0, 100000, readFile(dir / "img.bin"));
        }
        expectChip(mode);
    }

    const std::string path = std::getenv("PATH");
    ::setenv("PATH", "/nonexistent", 1);
    const int found = test::runProgram(words, {});
    ::setenv("PATH", path.c_str(), 1);
    const bool systemFolder = std::string(ZD_TEST_FLASHROM).starts_with("/usr/sbin/");
    EXPECT_EQ(found, systemFolder ? 0 : 1);
}

// The regions by name: stock flashrom reads one from the chip through the
// layout file and through the FMAP, and writes one alone.
TEST_F(Flash, StockFlashromTakesEachRegionByName) {
    const std::string logo = test::patternBytes(1234, 6), font = test::patternBytes(5000, 7);
    writeFile(dir / "logo.bin", logo);
    writeFile(dir / "font16.dot", font);
    ASSERT_EQ(run("merge -q -o $D/img -f 4K -i --base 1M --flashrom-layout $D/img.layout --fmap "
                  "$D/img.fmap $D/logo.bin $D/font16.dot"),
              0)
        << errors;
    EXPECT_EQ(
        readFile(dir / "img.layout"),
        "00100000:00100fff FRONT\n00101000:001014d1 LOGO_BIN\n001014d2:00102859 FONT16_DOT\n");
    ASSERT_EQ(flash("flash $D/img.bin --at 1M"), 0) << errors;
    const std::string flashrom =
        std::string(ZD_TEST_FLASHROM) + " -p dummy:emulate=W25Q128FV,image=chip.bin >log 2>&1 ";
    ASSERT_EQ(shell(flashrom + "-l img.layout -i LOGO_BIN:logo.out -r whole.bin"), 0);
    EXPECT_TRUE(readFile(dir / "logo.out") == logo);
    ASSERT_EQ(shell(flashrom + "--fmap-file img.fmap -i FONT16_DOT:font.out -i FRONT:front.out "
                               "-r whole.bin"),
              0);
    EXPECT_TRUE(readFile(dir / "font.out") == font);
    EXPECT_TRUE(readFile(dir / "front.out") == readFile(dir / "img.bin").substr(0, 4096));
    // One asset written by its name, the rest of the chip as it was.
    const std::string newLogo = test::patternBytes(1234, 8);
    writeFile(dir / "logo2.bin", newLogo);
    ASSERT_EQ(shell(flashrom + "-l img.layout -i LOGO_BIN:logo2.bin -w whole.bin"), 0);
    chip.replace(0x100000, 0x285A, readFile(dir / "img.bin")).replace(0x101000, 1234, newLogo);
    expectChip("one asset");
}

// The picture: well-formed XML naming every file; drawn, each block shows
// its colour at its place, the gaps shaded and the free space white.
TEST_F(Flash, TheMapIsWellFormedAndDrawsEveryBlockInPlace) {
    const std::vector<std::pair<std::string, std::size_t>> files = {
        {"logo.bin", 6000}, {"a&b<c>.jpg", 20000}, {"font16.dot", 30000}};
    std::string inputs;
    for (const auto& [name, size] : files) {
        writeFile(dir / name, test::patternBytes(size, static_cast<unsigned>(size)));
        inputs += " $D/" + name;
    }
    ASSERT_EQ(
        run("merge -q -o $D/img -f 4K --align 8K --flash-size 128K --map $D/img.svg" + inputs), 0)
        << errors;
    const std::string svg = " img.svg >out 2>&1";
    ASSERT_EQ(shell(ZD_TEST_XMLLINT " --noout" + svg), 0) << readFile(dir / "out");
    for (const auto& [name, size] : files) {
        ASSERT_EQ(shell(ZD_TEST_XMLLINT " --xpath \"count(//*[local-name()='text'][.='" + name +
                        "'])\"" + svg),
                  0);
        EXPECT_EQ(readFile(dir / "out"), "1\n") << name;
    }
    ASSERT_EQ(shell(ZD_TEST_RSVG_CONVERT " -o img.png img.svg"), 0);
    const std::optional<test::Pixels> png = test::readPng(readFile(dir / "img.png"));
    ASSERT_TRUE(png);
    // Blocks: the front area, the files at 8K, 16K and 40K, a gap between
    // the first two, the free space from the end (70K) to 128K.
    const auto colourAt = [&](std::uint64_t offset) {
        const double y = kMapTop + static_cast<double>(offset) * kMapBarHeight / (128 << 10);
        return png->rgb(static_cast<std::uint32_t>(kMapBarLeft + kMapBarWidth - 8),
                        static_cast<std::uint32_t>(y));
    };
    const auto rgbOf = [](const std::string& hex) {
        const long value = std::stol(hex.substr(1), nullptr, 16);
        return std::array<int, 3>{int(value >> 16), int(value >> 8 & 0xFF), int(value & 0xFF)};
    };
    EXPECT_EQ(colourAt(2048), rgbOf("#d0d0d0"));
    EXPECT_EQ(colourAt(8192 + 3000), rgbOf(layoutMapColour(0)));
    EXPECT_EQ(colourAt(16384 + 10000), rgbOf(layoutMapColour(1)));
    EXPECT_EQ(colourAt(40960 + 15000), rgbOf(layoutMapColour(2)));
    EXPECT_EQ(colourAt(100000), rgbOf("#ffffff"));
    // The gap's stripes, light and dark grey, blend where they meet.
    const std::array<int, 3> gap = colourAt(15000);
    EXPECT_TRUE(gap[0] == gap[1] && gap[1] == gap[2] && gap[0] >= 0xB4 && gap[0] <= 0xEE);
}

} // namespace
} // namespace zd

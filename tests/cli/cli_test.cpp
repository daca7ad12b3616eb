// The command line as users and scripts meet it: argument conventions, exit
// codes, what goes to stdout and what to stderr, the companion outputs wired
// into the merge. What the core computes (CRCs, header names, records, list
// files) is checked in tests/core; the built program in stop_test.cpp.
#include "core/image/crc32.h"
#include "tests/cli/cli_run.h"
#include "tests/support/page_cache.h"

#include <algorithm>

namespace zd {
namespace {

namespace fs = std::filesystem;
using test::readFile;
using test::writeFile;

class Cli : public test::CliInFolder {
  protected:
    void SetUp() override {
        fs::create_directories(dir / "in/sub");
        fs::create_directory(dir / "out");
        writeFile(dir / "in/a.bin", test::patternBytes(1234, 1));
        writeFile(dir / "in/sub/B.dot", test::patternBytes(5000, 2));
        writeFile(dir / "in/sub/a.jpg", test::patternBytes(100, 3));
    }
    // A refused run: `code`, nothing on stdout and one line on stderr; a
    // failure's line starts with the program's name and `message`, a usage
    // error's holds `message`.
    void expectRefused(const std::string& line, int code, const std::string& message) {
        const std::string said = at(code == 1 ? "zadodaziderav-cli: " + message : message);
        EXPECT_EQ(run(line), code) << line;
        const auto found = errors.find(said);
        EXPECT_TRUE(printed.empty() && found != std::string::npos &&
                    errors.find('\n') == errors.size() - 1 && (code != 1 || found == 0))
            << line << ": " << printed << errors;
    }
    std::string out = dir / "out/img";
};

// Each convention a user expects, seen in what a successful run prints: the
// dry-run table shows the front offset (the first address) and the rows it
// took, up to an image of exactly 4 GiB.
TEST_F(Cli, ArgumentConventionsAndLayouts) {
    const fs::path before = fs::current_path();
    fs::current_path(dir.path());
    writeFile(dir / "saved.h", at("{\n/*\tNo,\tFile Name,\t\tSize,\tAddress\t*/\n\n\t1, "
                                  "\"$D/in/sub/B.dot\", 5000, 0;\n}\n"));
    writeFile(dir / "a", at("\xEF\xBB\xBF-f\r\n0x10\n$D/in/a.bin\n"));
    writeFile(dir / "b", "--\n");
    writeFile(dir / "@x", "x");
    writeFile(dir / "-d", "0123456789");
    writeFile(dir / "merge", "named like the command");
    test::makeSparseFile(dir / "in/one.mib", 1 << 20);
    const std::string aRow = "\t$D/in/a.bin\t1234\t";
    const std::pair<std::string, std::string> cases[] = {
        // The arguments, and a part of stdout or "" for nothing at all.
        {"merge --dry-run -f 9 -f4K $D/in/a.bin", "1" + aRow + "4096\t"},
        {"merge --dry-run $D/in/a.bin -- -d @x", "\n2\t$D/-d\t10\t1234\t\n3\t$D/@x\t1\t1244\t\n"},
        {"merge --dry-run $D/in/a.bin -l $D/saved.h $D/in/sub",
         "1\t$D/in/sub/B.dot\t5000\t0\t.dot\n2" + aRow +
             "5000\t.bin\n3\t$D/in/sub/a.jpg\t100\t6234\t.jpg\n4\t$D/in/sub/B.dot\t5000\t6334\t"},
        {"merge --dry-run @a @b @x", "1" + aRow + "16\t.bin\n2\t$D/@x\t1\t1250\t\n"},
        {"merge --dry-run merge", "1\t$D/merge\t22\t0\t\n"},
        {"merge --dry-run -qif8 $D/in/a.bin", ""},
        {"merge --dry-run -f4095M $D/in/one.mib",
         "1\t$D/in/one.mib\t1048576\t4293918720\t.mib\nImage capacity: 4294967296 bytes\n"},
        // Without --pad the flash size does not move the image's end.
        {"merge -q -o $D/f --flash-size 1M --ihex $D/h --base 0xFFFFEC78 $D/in/sub/B.dot", ""},
        {"help inspect", "CRC-32 of the row's bytes"},
        {"merge -h", "@FILE stands for the lines of FILE"},
        {"-V", std::string("zadodaziderav-cli ") + ZD_EXPECTED_VERSION + "\n"},
    };
    for (const auto& [line, shown] : cases) {
        EXPECT_EQ(run(line), 0) << line << errors;
        EXPECT_TRUE(errors.empty() && printed.empty() == shown.empty() &&
                    printed.find(at(shown)) != std::string::npos)
            << line << ": " << printed << errors;
    }
    fs::current_path(before);
}

// A usage error is one line on stderr that names the problem, exit 2, and
// nothing on stdout. A merge refuses (exit 1) before writing anything, and a
// dry run as the merge does: what the layout, the flash size or the HEX
// addresses cannot hold, and an input an output would replace as another
// name of the file.
TEST_F(Cli, RefusalsNameTheProblemAndWriteNothing) {
    test::makeSparseFile(dir / "in/big", (16 << 20) + 1);
    writeFile(dir / "empty-line", at("--manifest\r\n\r\n$D/in/a.bin\r\n"));
    const std::tuple<std::string, int, std::string> cases[] = {
        {"merge -o $D/out/img @$D/empty-line", 2, "--manifest: an empty name names no file"},
        {"merge $D/in/a.bin", 2, "-o PATH"},
        {"merge -o $D/out/", 2, "$D/out/"},
        {"merge --dry-run -f 12abc $D/in/a.bin", 2, "'12abc'"},
        {"merge --dry-run -f 4096M $D/in/a.bin", 2, "'4096M' is 4 GiB or more"},
        {"marge -o $D/out/img", 2, "marge"},
        {"--bogus merge --dry-run $D/in/a.bin", 2, "unknown option --bogus"},
        {"merge --dry-run @$D/in", 2, "response file $D/in"},
        {"merge --dry-run @$D/in/big", 2, "response file $D/in/big: is larger than 16 MiB"},
        {"merge --dry-run --c-header $D/out/h.h --prefix 2X $D/in/a.bin", 2, "'2X'"},
        {"merge --dry-run --prefix FW_ $D/in/a.bin", 2, "--prefix needs --c-header"},
        {"merge --dry-run --pad $D/in/a.bin", 2, "--pad needs --flash-size"},
        {"merge --dry-run --base 16 $D/in/a.bin", 2,
         "--base needs --ihex, --srec, --flashrom-layout or --fmap"},
        {"merge --dry-run --c-table $D/in/a.bin", 2, "--c-table needs"},
        {"merge --dry-run --align 3 $D/in/a.bin", 2,
         "--align: '3': not a power of two from 1 to 1M"},
        {"merge --dry-run --fill 0x100 $D/in/a.bin", 2, "'0x100' is not a byte"},
        {"merge --dry-run --fill 0K $D/in/a.bin", 2, "--fill: '0K' is not a byte"},
        {"merge --dry-run --fill a $D/in/a.bin", 2, "octal, without K or M"},
        {"verify $D/in/a.bin", 2, "-l LIST.h"},
        {"verify $D/in/a.bin -l $D/x.h --manifest $D/x.json", 2, "not both"},
        {"verify -l $D/x.h", 2, "IMAGE"},
        {"inspect $D/in/a.bin $D/in/b.bin", 2, "$D/in/b.bin"},
        // After "--" a word is a name, shown as it was given.
        {"diff -- $D/in/a.bin $D/in/a.bin --check", 2, "not expected: --check (see"},
        {"unpack $D/in/a.bin", 2, "--directory"},
        // An empty value, and an output folder's dash-led one, as for merge's outputs.
        {"unpack $D/in/a.bin -d ''", 2, "--directory: an empty name names no file"},
        {"unpack $D/in/a.bin --directory=", 2, "--directory: an empty name names no file"},
        {"unpack $D/in/a.bin -d -q", 2, "--directory: '-q' starts with '-'"},
        {"unpack $D/in/a.bin -d $D/out/u -l ''", 2, "--list: an empty name names no file"},
        {"verify $D/in/a.bin -l ''", 2, "--list: an empty name names no file"},
        {"verify $D/in/a.bin --manifest=", 2, "--manifest: an empty name names no file"},
        {"merge --dry-run --list= $D/in/a.bin", 2, "--list: an empty name names no file"},
        {"merge --dry-run -l $D/none.h", 1, "$D/none.h: cannot be opened"},
        {"merge --dry-run -l $D/in/a.bin", 1, "$D/in/a.bin:"},
        {"merge -o $D/out/img --flash-size 6233 $D/in/a.bin $D/in/sub/B.dot", 1,
         "$D/out/img.bin: would be 6234 bytes, 1 byte over the flash size (6233 bytes)"},
        {"merge --dry-run -f 0xFFFFF000 --align 1M $D/in/a.bin", 1,
         "$D/in/a.bin: would lie past 4 GiB"},
        {"merge -o $D/out/img --srec $D/out/s --base 0xFFFFE7A7 $D/in/a.bin $D/in/sub/B.dot", 1,
         "$D/out/img.bin: placed at 0xFFFFE7A7"},
    };
    for (const auto& [line, code, message] : cases) {
        expectRefused(line, code, message);
    }
    EXPECT_TRUE(test::namesIn(dir / "out").empty());
    EXPECT_EQ(run(""), 2);
    EXPECT_NE(errors.find("Usage:"), std::string::npos);
}

// stdout carries the output paths only; the note that the table was left out
// goes to stderr; -q still reports failures, each refused input on a line of
// its own, shown so that no name breaks the line or shows as nothing; the
// earlier image stays as it was.
TEST_F(Cli, WhatEachStreamCarries) {
    EXPECT_EQ(run("merge -i -o $D/out/img $D/in/a.bin"), 0) << errors;
    EXPECT_EQ(printed, out + ".bin\n" + out + ".h\n");
    EXPECT_EQ(errors, "zadodaziderav-cli: note: the front offset (0 bytes) is not larger than 8 "
                      "bytes per file (8), so no file info table was written\n");

    writeFile(out + ".bin", "earlier image");
    writeFile(dir / "in/two\nlines", "x");
    EXPECT_EQ(runWith({"merge", "-q", "-o", out, dir / "in/a.bin", dir / "in/missing", "",
                       dir / "in/two\nlines"}),
              1);
    EXPECT_EQ(printed + errors,
              at("zadodaziderav-cli: $D/in/missing: cannot be read: No such file or "
                 "directory\nzadodaziderav-cli: \"\": an empty name names no file\n"
                 "zadodaziderav-cli: $D/in/two\\nlines: has a name the list file cannot "
                 "carry (a line feed, a carriage return, a NUL or bytes that are not UTF-8)\n"));
    EXPECT_EQ(readFile(out + ".bin"), "earlier image");
}

// A merge waits for its outputs to reach the disk; --no-sync leaves that to
// the kernel, with the same bytes.
TEST_F(Cli, NoSyncLeavesTheFlushToTheKernel) {
    writeFile(dir / "in/big", test::patternBytes(1 << 20, 4)); // not flushed either
    const auto control = test::pagesNotOnDisk(dir / "in/big");
    if (test::onTmpfs(dir.path()) || !control || *control == 0) {
        GTEST_SKIP() << "no dirty pages to see: tmpfs, or no cachestat (Linux 6.5)";
    }
    ASSERT_EQ(run("merge -q --no-sync -o $D/out/loose $D/in/big"), 0) << errors;
    EXPECT_GT(test::pagesNotOnDisk(dir / "out/loose.bin").value_or(0), 0u);
    ASSERT_EQ(run("merge -q -o $D/out/durable $D/in/big"), 0) << errors;
    EXPECT_EQ(test::pagesNotOnDisk(dir / "out/durable.bin"), 0u);
    EXPECT_EQ(readFile(dir / "out/durable.bin"), readFile(dir / "out/loose.bin"));
}

// One merge with every companion output: each is named on stdout; the header
// takes the prefix, the padded size and, with --relative, names each file
// relative to the list file's folder.
TEST_F(Cli, MergeWritesEveryCompanionOutput) {
    writeFile(dir / "in/empty", "");
    ASSERT_EQ(run("merge -o $D/out/img -f 0x1000 -i --flash-size 2M --pad --base 0x08000000 "
                  "--c-header $D/out/layout.h --prefix FW_ --srec $D/out/img.s37 --manifest "
                  "$D/out/img.json --ihex $D/out/img.hex --relative $D/in/a.bin $D/in/empty "
                  "$D/in/sub/B.dot"),
              0)
        << errors;
    EXPECT_EQ(printed, at(out + ".bin\n" + out + ".h\n$D/out/layout.h\n$D/out/img.json\n" +
                          "$D/out/img.hex\n$D/out/img.s37\n"));
    const std::string header = readFile(dir / "out/layout.h");
    for (const char* line : {"#define FW_IMAGE_BYTES 0x00200000u\n", "#define FW_B_DOT_CRC32 0x",
                             "/* 3: ../in/sub/B.dot */"}) {
        EXPECT_NE(header.find(line), std::string::npos) << line << header;
    }
    EXPECT_EQ(header.find("fw_files"), std::string::npos); // the table needs --c-table
}

// One image laid out with --align 64 --fill 0 behind a table, read by every
// command. verify names every bad row (No., file, address, what differs) on
// stdout and exits 1; bytes past the layout are a note only. inspect prints
// the table with each row's CRC-32; unpack writes each row's bytes, named
// from the table or the list, and replaces no file.
TEST_F(Cli, VerifyInspectAndUnpackReadTheAlignedLayout) {
    ASSERT_EQ(run("merge -qi -f 100 --align 64 --fill 0 --flash-size 8K --pad --ihex $D/out/h.hex "
                  "-o $D/out/img --manifest $D/out/m $D/in/a.bin $D/in/sub/B.dot $D/in/sub/a.jpg"),
              0)
        << errors;
    // Rows at 128, 1408 and 6464, the gaps before them and the padding after
    // filled with 0; HEX leaves out only erased records, so a programmer
    // writing it over an erased chip gets every filler byte.
    const std::string image = readFile(out + ".bin"), hex = readFile(dir / "out/h.hex");
    ASSERT_EQ(image.size(), 8192u);
    for (const auto& [from, to] : {std::pair{24, 128}, {1362, 1408}, {6408, 6464}, {6564, 8192}}) {
        EXPECT_GE(image.find_first_not_of('\0', from), std::size_t(to)) << from;
    }
    EXPECT_EQ(std::count(hex.begin(), hex.end(), '\n'), 8192 / 16 + 1);
    EXPECT_NE(readFile(dir / "out/m").find("\"align\": 64,\n  \"fill\": 0,"), std::string::npos);
    const auto crc = [](const std::string& bytes) { return crc32Text(crc32Of(bytes)); };
    std::string bad = image + "d", filler = image; // a byte past the padding
    bad[6466] = static_cast<char>(~bad[6466]);     // in a.jpg
    bad[16] = 0x41;                                // row 3's address: 6465 instead of 6464
    filler[40] = 1;
    const std::string row = "3\t$D/in/sub/a.jpg\t6464\t",
                      table = "; the file info table says address 6465, size 100\n",
                      note = "zadodaziderav-cli: note: $D/out/img.bin goes on ",
                      clean =
                          "$D/out/img.bin: every file matches, and so does the file info table\n",
                      oneBad = "zadodaziderav-cli: $D/out/img.bin: 1 file does not match\n",
                      damaged = "zadodaziderav-cli: $D/out/img.bin: the front area differs from "
                                "its filler at offset 40, after the file info table: it is "
                                "damaged\n";
    // Past the list's layout lie the padding and a byte more; the manifest's
    // layout takes the padding in.
    const std::tuple<std::string, std::string, std::string, std::string, int> cases[] = {
        {image, "-l $D/out/img.h", clean,
         note + "1628 bytes past the layout's end (6564 bytes); they were not checked\n", 0},
        {image, "--manifest $D/out/m", clean, "", 0},
        {bad, "-l $D/out/img.h", row + "first difference at offset 6466" + table,
         note + "1629 bytes past the layout's end (6564 bytes); they were not checked\n" + oneBad,
         1},
        {bad, "--manifest $D/out/m",
         row + "CRC-32 " + crc(bad.substr(6464, 100)) + ", expected " +
             crc(readFile(dir / "in/sub/a.jpg")) + table,
         note + "1 byte past the layout's end (8192 bytes); it was not checked\n" + oneBad, 1},
        // One damaged filler byte after the table: named by both layouts.
        {filler, "--manifest $D/out/m", "",
         damaged + "zadodaziderav-cli: $D/out/img.bin: CRC-32 " + crc(filler) +
             " is not the manifest's image_crc32, while every file matches: the front area or "
             "the padding differs\n",
         1},
        {filler, "-l $D/out/img.h", "",
         note + "1628 bytes past the layout's end (6564 bytes); they were not checked\n" + damaged,
         1},
    };
    for (const auto& [content, layout, shown, said, code] : cases) {
        writeFile(out + ".bin", content);
        EXPECT_EQ(run("verify $D/out/img.bin " + layout), code) << layout;
        EXPECT_EQ(printed, at(shown)) << layout;
        EXPECT_EQ(errors, at(said)) << layout;
    }
    writeFile(out + ".bin", image);
    EXPECT_EQ(run("inspect $D/out/img.bin"), 0) << errors;
    EXPECT_EQ(printed, "No.\tAddress\tSize\tCRC-32\n1\t128\t1234\t" +
                           crc(readFile(dir / "in/a.bin")) + "\n2\t1408\t5000\t" +
                           crc(readFile(dir / "in/sub/B.dot")) + "\n3\t6464\t100\t" +
                           crc(readFile(dir / "in/sub/a.jpg")) + "\nImage size: 8192 bytes\n");
    const std::string tableShown = printed;
    writeFile(out + ".bin", filler);
    EXPECT_EQ(run("inspect $D/out/img.bin"), 1);
    EXPECT_EQ(printed + errors, tableShown + at(damaged)); // the rows, and the damage named

    // An input that is not what a reader needs is said in its terms: a pipe
    // or device is refused at once (never read as an empty image), a short
    // image says how long it is and what it should hold, a row past 4 GiB or
    // an address that does not read is named.
    writeFile(dir / "short.bin", image.substr(0, 3000));
    writeFile(dir / "empty.bin", "");
    std::string json = readFile(dir / "out/m"), rows = readFile(out + ".h");
    writeFile(dir / "far.json",
              json.replace(json.find("\"address\": 128"), 14, "\"address\": 4294967295"));
    writeFile(dir / "wide.h", rows.replace(rows.find("1408;"), 4, "99999999999"));
    const std::string cutShort = "$D/short.bin: the image is 3000 bytes long, but its file info "
                                 "table lists files up to offset 6564: it is cut short",
                      wide = "$D/wide.h: not a list file this tool wrote: line 5: the address "
                             "99999999999 is not an unsigned "
                             "32-bit number";
    // /dev/zero never ends: refused at once, never read.
    const std::pair<std::string, std::string> faults[] = {
        {"inspect /dev/zero", "/dev/zero: not a regular file"},
        {"verify /dev/zero -l $D/out/img.h", "/dev/zero: not a regular file"},
        {"unpack /dev/zero -d $D/u", "/dev/zero: not a regular file"},
        {"inspect $D/in/a.bin", "$D/in/a.bin: no file info table found"},
        {"inspect $D/short.bin", cutShort},
        {"unpack $D/short.bin -d $D/u", cutShort},
        {"unpack $D/short.bin -d $D/u -l $D/out/img.h",
         "$D/in/sub/B.dot: the image is 3000 bytes long, but this file's bytes end at offset 6408"},
        {"verify $D/out/img.bin --manifest $D/far.json",
         "$D/far.json: not a manifest this tool wrote: files[0] ends at 4294968529, past the "
         "image_size 8192"},
        {"verify $D/out/img.bin -l $D/wide.h", wide},
        {"unpack $D/out/img.bin -d $D/u -l $D/wide.h", wide},
    };
    for (const auto& [line, said] : faults) {
        expectRefused(line, 1, said);
    }
    EXPECT_EQ(run("verify $D/empty.bin -l $D/out/img.h"), 1);
    EXPECT_NE(printed.find(at("1\t$D/in/a.bin\t128\tthe image is 0 bytes long, ending before")),
              std::string::npos)
        << printed;

    EXPECT_EQ(run("unpack $D/out/img.bin -d $D/out"), 0) << errors;
    EXPECT_EQ(printed, at("$D/out/001.bin\n$D/out/002.bin\n$D/out/003.bin\n"));
    EXPECT_EQ(run("unpack -q $D/out/img.bin --directory=$D/out -l $D/out/img.h"), 0) << errors;
    EXPECT_TRUE(printed.empty() && readFile(dir / "out/a.jpg") == readFile(dir / "in/sub/a.jpg"));
    fs::remove(dir / "out/002.bin");
    expectRefused("unpack $D/out/img.bin -d $D/out", 1, "$D/out/001.bin: exists already");

    // Without the table the first bytes are filler, not a damaged table;
    // records whose rows overlap (64, 128, then 130) are no table either.
    ASSERT_EQ(run("merge -q -o $D/bare -f 100 --fill 0x5A --manifest $D/bare.json $D/in/a.bin"), 0);
    EXPECT_EQ(run("verify $D/bare.bin -l $D/bare.h"), 0) << printed;
    EXPECT_NE(readFile(dir / "bare.json").find("\"align\": 1,\n  \"fill\": 90,"),
              std::string::npos);
    const char mixed[] = "\x40\0\0\0\n\0\0\0\x80\0\0\0\n\0\0\0\x82\0\0\0\n\0\0\0";
    writeFile(dir / "mixed.bin", std::string(mixed, 24) + std::string(300, '\xFF'));
    for (const std::string name : {"bare.bin", "mixed.bin"}) {
        EXPECT_EQ(run("inspect $D/" + name), 1) << name << printed;
    }
    // The largest alignment taken: 1 MiB.
    ASSERT_EQ(run("merge -q -o $D/wide -i -f 32 --align 1M --fill 255 $D/in/a.bin $D/in/sub/a.jpg"),
              0);
    EXPECT_EQ(run("inspect $D/wide.bin"), 0) << errors;
    EXPECT_NE(printed.find("2\t2097152\t100\t"), std::string::npos) << printed;
}

// Verify says what the front area holds: other data than a table (a boot
// record over an image merged without one) is a note and the files are
// judged, unless -i asks for the table; a manifest's row without a record
// in the table is told as such, not by the filler's bytes read as numbers;
// and a file that is not an image of the list at all is said to be.
TEST_F(Cli, VerifySaysWhatTheFrontAreaHolds) {
    writeFile(dir / "a.bin", test::patternBytes(1000, 1));
    writeFile(dir / "b.bin", test::patternBytes(2000, 2));
    ASSERT_EQ(run("merge -q -o $D/plain -f 4K $D/a.bin $D/b.bin"), 0);
    std::string image = readFile(dir / "plain.bin");
    image.replace(0, 512, test::patternBytes(512, 3)); // a boot record
    writeFile(dir / "plain.bin", image);
    EXPECT_EQ(run("verify $D/plain.bin -l $D/plain.h"), 0);
    EXPECT_EQ(printed, at("$D/plain.bin: every file matches\n"));
    EXPECT_EQ(errors, at("zadodaziderav-cli: note: $D/plain.bin: its front area holds other data "
                         "than a file info table; only the files were checked (-i checks the "
                         "table all the same)\n"));
    EXPECT_EQ(run("verify -i $D/plain.bin -l $D/plain.h"), 1);
    EXPECT_NE(printed.find("the file info table says address"), std::string::npos) << printed;

    ASSERT_EQ(run("merge -q -o $D/two -i -f 4K --flash-size 16K --pad --manifest $D/two.json "
                  "$D/a.bin $D/b.bin"),
              0);
    std::string json = readFile(dir / "two.json");
    const std::size_t last = json.rfind("    }");
    json.insert(last + 5, ",\n    {\"no\": 3, \"path\": \"c\", \"file\": \"c\", \"size\": 1, "
                          "\"address\": 8000, \"crc32\": \"00000000\"}");
    writeFile(dir / "three.json", json);
    EXPECT_EQ(run("verify $D/two.bin --manifest $D/three.json"), 1) << errors;
    EXPECT_NE(printed.find("the file info table holds filler where the file's record belongs"),
              std::string::npos)
        << printed;

    writeFile(dir / "notes.txt", std::string(5000, 'Z'));
    EXPECT_EQ(run("verify $D/notes.txt -l $D/plain.h"), 1);
    EXPECT_NE(errors.find(at("$D/notes.txt: not an image of this list: no file lies where the "
                             "list puts it, and it holds no file info table")),
              std::string::npos)
        << errors;
    EXPECT_EQ(printed.find("file info table says"), std::string::npos) << printed;
}

} // namespace
} // namespace zd

// The command line as users and scripts meet it: argument conventions, exit
// codes, what goes to stdout and what to stderr, and the built program under
// signals and a full standard output.
#include "cli.h"
#include "crc32.h"
#include "file_intake.h"
#include "image_writer.h"
#include "manifest.h"
#include "page_cache.h"
#include "test_files.h"

#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace zd {
namespace {

namespace fs = std::filesystem;
using test::readFile;
using test::writeFile;
using Args = std::vector<std::string>;

class Cli : public ::testing::Test {
  protected:
    void SetUp() override {
        fs::create_directories(dir / "in/sub");
        fs::create_directory(dir / "out");
        writeFile(dir / "in/a.bin", test::patternBytes(1234, 1));
        writeFile(dir / "in/-dash.bin", "0123456789");
        writeFile(dir / "in/sub/B.dot", test::patternBytes(5000, 2));
        writeFile(dir / "in/sub/a.jpg", test::patternBytes(100, 3));
    }
    // `text` with every "$D" replaced by the scratch folder.
    std::string at(std::string text) const {
        for (auto pos = text.find("$D"); pos != std::string::npos; pos = text.find("$D")) {
            text.replace(pos, 2, dir.path().string());
        }
        return text;
    }
    // Runs the command line in this process, keeping what it printed.
    int run(Args args, const std::atomic<bool>* stop = nullptr) {
        for (std::string& arg : args) {
            arg = at(arg);
        }
        std::ostringstream outText, errText;
        const int code = cli::run(args, outText, errText, stop);
        printed = outText.str();
        errors = errText.str();
        return code;
    }
    bool oneLine(const std::string& text) const {
        return !text.empty() && text.find('\n') == text.size() - 1;
    }
    test::TempDir dir;
    std::string out = dir / "out/img";
    std::string printed, errors;
};

// Each convention a user expects, seen in what the run prints: the dry-run
// table shows the front offset (the first address) and the rows it took.
TEST_F(Cli, ArgumentConventions) {
    const fs::path before = fs::current_path();
    fs::current_path(dir.path());
    writeFile(dir / "saved.h", at("{\n/*\tNo,\tFile Name,\t\tSize,\tAddress\t*/\n\n\t1, "
                                  "\"$D/in/sub/B.dot\", 5000, 0;\n}\n"));
    writeFile(dir / "a", at("\xEF\xBB\xBF-f\r\n0x10\n\n$D/in/a.bin\n"));
    writeFile(dir / "b", "--\n");
    writeFile(dir / "@x", "x");
    writeFile(dir / "-d", "0123456789");
    writeFile(dir / "merge", "named like the command");
    const std::string aRow = "\t$D/in/a.bin\t1234\t";
    const struct {
        Args args;
        std::string shown; // a part of stdout, or "" for nothing at all
    } cases[] = {
        {{"merge", "--dry-run", "$D/in/a.bin"}, "1" + aRow + "0\t.bin\n"},
        {{"merge", "--dry-run", "-f4K", "$D/in/a.bin"}, "1" + aRow + "4096\t"},
        {{"merge", "--dry-run", "--front-offset=0x10", "$D/in/a.bin"}, "1" + aRow + "16\t"},
        {{"merge", "--dry-run", "-f", "010", "-f", "1M", "$D/in/a.bin"}, "1" + aRow + "1048576\t"},
        {{"merge", "--dry-run", "-f", "0X4k", "$D/in/a.bin"}, "Image capacity: 5330 bytes\n"},
        {{"merge", "--dry-run", "$D/in/a.bin", "--", "-d", "@x"},
         "1" + aRow + "0\t.bin\n2\t$D/-d\t10\t1234\t\n3\t$D/@x\t1\t1244\t\n"},
        {{"merge", "--dry-run", "$D/in/a.bin", "-l", "$D/saved.h", "$D/in/sub"},
         "1\t$D/in/sub/B.dot\t5000\t0\t.dot\n2" + aRow +
             "5000\t.bin\n3\t$D/in/sub/a.jpg\t100\t"
             "6234\t.jpg\n4\t$D/in/sub/B.dot\t5000\t6334\t.dot\n"},
        {{"merge", "--dry-run", "@a", "@b", "@x"}, "1" + aRow + "16\t.bin\n2\t$D/@x\t1\t1250\t\n"},
        {{"merge", "--dry-run", "merge"}, "1\t$D/merge\t22\t0\t\n"},
        {{"merge", "--dry-run", "-qif8", "$D/in/a.bin"}, ""},
        {{"merge", "--help"}, "-f,--front-offset OFFSET"},
        {{"merge", "--help"}, "record whose bytes are all 0xFF"},
        {{"verify", "--help"}, "--manifest M.json"},
        {{"help", "inspect"}, "CRC-32 of the row's bytes"},
        {{"unpack", "-h"}, "-d,--directory DIR"},
        {{"merge", "-h"}, "@FILE stands for the lines of FILE"},
        {{"help", "merge"}, "--dry-run"},
        {{"--help"}, "@FILE stands for the lines of FILE"},
        {{"-V"}, std::string("zadodaziderav-cli ") + ZD_EXPECTED_VERSION + "\n"},
    };
    for (const auto& [args, shown] : cases) {
        EXPECT_EQ(run(args), 0) << ::testing::PrintToString(args) << errors;
        EXPECT_EQ(errors, "") << ::testing::PrintToString(args);
        EXPECT_TRUE(shown.empty() ? printed.empty() : printed.find(at(shown)) != std::string::npos)
            << ::testing::PrintToString(args) << "\n"
            << printed;
    }
    fs::current_path(before);
    EXPECT_TRUE(test::namesIn(dir / "out").empty());
}

// A usage error is one line on stderr that names the problem, exit 2, and
// nothing on stdout or on disk.
TEST_F(Cli, UsageErrorsNameTheProblem) {
    test::makeSparseFile(dir / "in/big", (16 << 20) + 1);
    const std::pair<Args, std::string> cases[] = {
        {{"merge", "$D/in/a.bin"}, "-o PATH"},
        {{"merge", "-o", "$D/out/"}, "$D/out/"},
        {{"merge", "-o", "$D/out/img", "-f"}, "--front-offset"},
        {{"merge", "-o", "$D/out/img", "--bogus", "$D/in/a.bin"}, "--bogus"},
        {{"merge", "-o", "$D/out/img", "-iz", "$D/in/a.bin"}, "-z"},
        {{"merge", "--dry-run", "-f", "12abc", "$D/in/a.bin"}, "'12abc'"},
        {{"merge", "--dry-run", "-f", "4096M", "$D/in/a.bin"}, "'4096M' is 4 GiB or more"},
        {{"merge", "--dry-run", "-f", "-1", "$D/in/a.bin"}, "'-1'"},
        {{"marge", "-o", "$D/out/img"}, "marge"},
        {{"-o", "$D/out/img"}, "-o"},
        {{"--bogus", "merge", "--dry-run", "$D/in/a.bin"}, "unknown option --bogus"},
        {{"merge", "--dry-run", "@$D/in"}, "response file $D/in"},
        {{"merge", "--dry-run", "@$D/none"}, "response file $D/none"},
        {{"merge", "--dry-run", "@$D/in/big"}, "response file $D/in/big: is larger than 16 MiB"},
        {{"merge", "--dry-run", "--c-header", "$D/out/h.h", "--prefix", "2X", "$D/in/a.bin"},
         "'2X'"},
        {{"merge", "--dry-run", "--c-header", "$D/out/h.h", "--prefix=A__B", "$D/in/a.bin"},
         "'A__B'"},
        {{"merge", "--dry-run", "--prefix", "FW_", "$D/in/a.bin"}, "--prefix needs --c-header"},
        {{"merge", "--dry-run", "--pad", "$D/in/a.bin"}, "--pad needs --flash-size"},
        {{"merge", "--dry-run", "--base", "16", "$D/in/a.bin"}, "--base needs --ihex or --srec"},
        {{"merge", "--dry-run", "--ihex", "$D/out/h", "--base", "4G", "$D/in/a.bin"}, "'4G'"},
        {{"merge", "--dry-run", "--flash-size", "0", "$D/in/a.bin"}, "'0'"},
        {{"merge", "--dry-run", "--flash-size", "4097M", "$D/in/a.bin"}, "'4097M'"},
        {{"merge", "--dry-run", "--flash-size", "2MiB", "$D/in/a.bin"}, "'2MiB'"},
        {{"merge", "--dry-run", "--srec", "", "$D/in/a.bin"}, "--srec"},
        {{"verify", "$D/in/a.bin"}, "-l LIST.h"},
        {{"verify", "$D/in/a.bin", "-l", "$D/x.h", "--manifest", "$D/x.json"}, "not both"},
        {{"verify", "-l", "$D/x.h"}, "IMAGE"},
        {{"inspect"}, "IMAGE"},
        {{"inspect", "$D/in/a.bin", "$D/in/b.bin"}, "$D/in/b.bin"},
        {{"unpack", "$D/in/a.bin"}, "--directory"},
        {{"unpack", "-d", "$D/out", "-q"}, "IMAGE"},
    };
    for (const auto& [args, named] : cases) {
        EXPECT_EQ(run(args), 2) << ::testing::PrintToString(args);
        EXPECT_EQ(printed, "") << ::testing::PrintToString(args);
        EXPECT_TRUE(oneLine(errors)) << errors;
        EXPECT_NE(errors.find(at(named)), std::string::npos) << errors;
    }
    EXPECT_EQ(run({}), 2);
    EXPECT_NE(errors.find("Usage:"), std::string::npos);
    EXPECT_TRUE(test::namesIn(dir / "out").empty());
}

// A dry run refuses what the merge would refuse, with the merge's message,
// and lays out an image of exactly 4 GiB. A list file that cannot be read
// is refused as well.
TEST_F(Cli, DryRunChecksAsTheMergeDoes) {
    test::makeSparseFile(dir / "in/one.mib", 1 << 20);
    test::makeSparseFile(dir / "in/two.mib", 2 << 20);
    writeFile(
        dir / "gone.h",
        at("{\n/*\tNo,\tFile Name,\t\tSize,\tAddress\t*/\n\n\t1, \"$D/in/gone.bin\", 5, 0;\n}\n"));
    writeFile(
        dir / "grown.h",
        at("{\n/*\tNo,\tFile Name,\t\tSize,\tAddress\t*/\n\n\t1, \"$D/in/a.bin\", 1000, 0;\n}\n"));
    const std::pair<Args, std::string> refused[] = {
        {{"merge", "--dry-run", "-f4095M", "$D/in/two.mib"}, "$D/in/two.mib: would lie past 4 GiB"},
        {{"merge", "--dry-run", "-l", "$D/gone.h"}, "$D/in/gone.bin: cannot be read"},
        {{"merge", "--dry-run", "-l", "$D/grown.h"},
         "$D/in/a.bin: listed with 1000 bytes but now 1234 bytes long"},
        {{"merge", "--dry-run", "-o", "$D/in/a", "$D/in/a.bin"},
         "$D/in/a.bin: the output $D/in/a.bin would replace"},
        {{"merge", "--dry-run", "-l", "$D/none.h"}, "$D/none.h: cannot be opened"},
        {{"merge", "--dry-run", "-l", "$D/in/a.bin"}, "$D/in/a.bin:"},
    };
    for (const auto& [args, message] : refused) {
        EXPECT_EQ(run(args), 1) << ::testing::PrintToString(args);
        EXPECT_EQ(printed, "");
        EXPECT_EQ(errors.rfind(at("zadodaziderav-cli: " + message), 0), 0u) << errors;
        EXPECT_TRUE(oneLine(errors)) << errors;
    }
    EXPECT_EQ(run({"merge", "--dry-run", "-f4095M", "$D/in/one.mib"}), 0) << errors;
    EXPECT_EQ(printed, at("No.\tFile Name\tSize(byte)\tAddress\tData Format\n"
                          "1\t$D/in/one.mib\t1048576\t4293918720\t.mib\n"
                          "Image capacity: 4294967296 bytes\n"));
}

// stdout carries the output paths only; the note that the table was left out
// goes to stderr; -q prints nothing on success but still reports failures.
// A stop leaves the earlier image as it was.
TEST_F(Cli, WhatEachStreamCarries) {
    EXPECT_EQ(run({"merge", "-i", "-o", out, "$D/in/a.bin"}), 0) << errors;
    EXPECT_EQ(printed, out + ".bin\n" + out + ".h\n");
    EXPECT_EQ(errors, "zadodaziderav-cli: note: the front offset (0 bytes) is not larger than 8 "
                      "bytes per file (8), so no file info table was written\n");

    fs::remove(out + ".h");
    EXPECT_EQ(run({"merge", "-qi", "-o", out, "$D/in/a.bin"}), 0) << errors;
    EXPECT_EQ(printed + errors, "");
    EXPECT_TRUE(fs::exists(out + ".h"));

    writeFile(out + ".bin", "earlier image");
    EXPECT_EQ(run({"merge", "-q", "-o", out, "$D/in/a.bin", "$D/in/missing"}), 1);
    EXPECT_EQ(printed, "");
    EXPECT_TRUE(oneLine(errors) && errors.find(dir / "in/missing") != std::string::npos) << errors;

    const std::atomic<bool> stop{true};
    EXPECT_EQ(run({"merge", "-o", out, "$D/in/a.bin"}, &stop), 1);
    EXPECT_TRUE(oneLine(errors)) << errors;
    EXPECT_EQ(readFile(out + ".bin"), "earlier image");
    EXPECT_EQ(test::namesIn(dir / "out"), (std::vector<std::string>{"img.bin", "img.h"}));
}

// A merge waits for its outputs to reach the disk; --no-sync leaves that to
// the kernel, with the same bytes.
TEST_F(Cli, NoSyncLeavesTheFlushToTheKernel) {
    if (test::onTmpfs(dir.path())) {
        GTEST_SKIP() << "the scratch folder is on tmpfs, which has no disk to flush to";
    }
    writeFile(dir / "in/big", test::patternBytes(1 << 20, 4));
    ASSERT_EQ(run({"merge", "-q", "--no-sync", "-o", "$D/out/loose", "$D/in/big"}), 0) << errors;
    const auto loose = test::pagesNotOnDisk(dir / "out/loose.bin");
    if (!loose || *loose == 0) {
        GTEST_SKIP() << "the kernel does not tell a file's dirty pages (cachestat, Linux 6.5)";
    }
    ASSERT_EQ(run({"merge", "-q", "-o", "$D/out/durable", "$D/in/big"}), 0) << errors;
    EXPECT_EQ(test::pagesNotOnDisk(dir / "out/durable.bin"), 0u);
    EXPECT_EQ(readFile(dir / "out/durable.bin"), readFile(dir / "out/loose.bin"));
}

// Every refused input is named on a line of its own, shown so that no name
// breaks the line or shows as nothing.
TEST_F(Cli, RefusedNamesAreShownWhole) {
    writeFile(dir / "in/two\nlines", "x");
    EXPECT_EQ(run({"merge", "-o", out, "$D/in/a.bin", "$D/in/missing", "", "$D/in/two\nlines"}), 1);
    EXPECT_EQ(printed, "");
    EXPECT_EQ(errors, at("zadodaziderav-cli: $D/in/missing: cannot be read: No such file or "
                         "directory\nzadodaziderav-cli: \"\": an empty name names no file\n"
                         "zadodaziderav-cli: $D/in/two\\nlines: has a name the list file cannot "
                         "carry (a line feed, a carriage return or bytes that are not UTF-8)\n"));
    EXPECT_TRUE(test::namesIn(dir / "out").empty());
}

std::string le32(std::uint64_t value) {
    std::string bytes;
    for (int shift = 0; shift < 32; shift += 8) {
        bytes += static_cast<char>((value >> shift) & 0xFF);
    }
    return bytes;
}

std::string crcText(std::uint32_t crc) {
    char text[12];
    std::snprintf(text, sizeof text, "%08x", crc);
    return text;
}

std::string hex32(std::uint64_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08llXu", static_cast<unsigned long long>(value));
    return text;
}

// Every firmware output of one merge, each checked against the image built
// here byte by byte: the header's identifiers and numbers, the manifest's
// CRCs (taken while copying, across several read pieces and an empty file),
// and the HEX and S-records read back by srec_cat.
TEST_F(Cli, MergeWritesEveryFirmwareOutput) {
    writeFile(dir / "in/big.bin", test::patternBytes((3 << 19) + 7, 4));
    writeFile(dir / "in/empty", "");
    writeFile(dir / "in/2clip.avi", test::patternBytes(33, 5));
    const std::vector<std::string> files{dir / "in/a.bin", dir / "in/big.bin", dir / "in/empty",
                                         dir / "in/2clip.avi"};
    const struct {
        Args options;
        bool table;
        std::uint64_t size; // with the padding
        std::uint32_t base;
    } cases[] = {
        {{"-f", "0x1000", "-i", "--flash-size", "2M", "--pad", "--base", "0x08000000"},
         true,
         2 << 20,
         0x08000000},
        {{"-f", "100", "--flash-size", "2M"}, false, 100 + 1234 + (3 << 19) + 7 + 33, 0},
    };
    for (const auto& [options, table, size, base] : cases) {
        const std::uint32_t front = table ? 0x1000 : 100;
        Args args{"merge",
                  "-o",
                  out,
                  "--c-header",
                  "$D/out/layout.h",
                  "--prefix",
                  "FW_",
                  "--srec",
                  "$D/out/img.s37",
                  "--manifest",
                  "$D/out/img.json",
                  "--ihex",
                  "$D/out/img.hex"};
        args.insert(args.end(), options.begin(), options.end());
        args.insert(args.end(), files.begin(), files.end());
        ASSERT_EQ(run(args), 0) << errors;
        EXPECT_EQ(printed, at(out + ".bin\n" + out + ".h\n$D/out/layout.h\n$D/out/img.json\n" +
                              "$D/out/img.hex\n$D/out/img.s37\n"));

        std::string image;
        std::vector<std::uint64_t> addresses;
        std::uint64_t address = front;
        for (const std::string& file : files) {
            addresses.push_back(address);
            if (table) {
                image += le32(address) + le32(readFile(file).size());
            }
            address += readFile(file).size();
        }
        image.resize(front, '\xFF');
        for (const std::string& file : files) {
            image += readFile(file);
        }
        image.resize(size, '\xFF');
        ASSERT_TRUE(readFile(out + ".bin") == image);

        const std::string header = readFile(dir / "out/layout.h");
        for (const std::string& line :
             {"#define FW_IMAGE_BYTES " + hex32(size), "#define FW_FRONT_OFFSET " + hex32(front),
              std::string("#define FW_FILE_COUNT 4u"), "#define FW_A_BIN_ADDR " + hex32(front),
              "#define FW_BIG_BIN_SIZE " + hex32((3 << 19) + 7),
              "#define FW_EMPTY_ADDR " + hex32(addresses[2]),
              "#define FW_2CLIP_AVI_ADDR " + hex32(addresses[3]),
              "#define FW_2CLIP_AVI_SIZE " + hex32(33), "/* 4: " + files[3] + " */"}) {
            EXPECT_NE(header.find(line + "\n"), std::string::npos) << line << "\n" << header;
        }

        const ManifestReadResult manifest = readManifest(dir / "out/img.json");
        ASSERT_EQ(manifest.status, ManifestReadResult::Status::Ok) << manifest.reason;
        EXPECT_EQ(manifest.manifest.frontOffset, front);
        EXPECT_EQ(manifest.manifest.infoTable, table);
        EXPECT_EQ(manifest.manifest.imageSize, size);
        EXPECT_EQ(crcText(manifest.manifest.imageCrc), crcText(crc32Of(image)));
        ASSERT_EQ(manifest.manifest.rows.size(), files.size());
        for (std::size_t row = 0; row < files.size(); ++row) {
            const ManifestRow& read = manifest.manifest.rows[row];
            EXPECT_EQ(read.path, files[row]);
            EXPECT_EQ(read.address, addresses[row]);
            EXPECT_EQ(crcText(read.crc), crcText(crc32Of(readFile(files[row])))) << files[row];
        }

        for (const auto& [text, format] :
             {std::pair<std::string, std::string>{"img.hex", "-intel"}, {"img.s37", "-motorola"}}) {
            const std::string back = dir / "out/back.bin";
            const std::string command =
                std::string(ZD_TEST_SREC_CAT) + " " + (dir / "out/" + text) + " " + format +
                " -fill 0xFF " + std::to_string(base) + " " + std::to_string(base + size) +
                " -offset -" + std::to_string(base) + " -o " + back + " -binary";
            ASSERT_EQ(std::system(command.c_str()), 0) << command;
            EXPECT_TRUE(readFile(back) == image) << command;
            fs::remove(back);
        }
    }
}

// A merge whose companion cannot be written, or that is refused, leaves
// every earlier output as it was and no new one; the flash size and the
// HEX address space are checked before anything is written, in a dry run
// too.
TEST_F(Cli, FirmwareOutputsLandWithTheImageOrNotAtAll) {
    const std::vector<std::string> earlier{"img.bin", "img.h", "layout.h"};
    const struct {
        Args options;
        std::string message;
        bool readOnlyHeader = false;
    } cases[] = {
        {{"--flash-size", "6K"},
         "$D/out/img.bin: would be 6234 bytes, 90 bytes over the flash size (6144 bytes)"},
        {{"--dry-run", "--flash-size", "6233"}, "$D/out/img.bin: would be 6234 bytes, 1 byte over"},
        {{"--srec", "$D/out/img.s37", "--base", "0xFFFFE7A7"},
         "$D/out/img.bin: placed at 0xFFFFE7A7"},
        {{"--manifest", "$D/in/a.bin"},
         "$D/in/a.bin: the output $D/in/a.bin would replace this input"},
        {{"--dry-run", "--c-header", "$D/in/sub/../a.bin"},
         "$D/in/a.bin: the output $D/in/sub/../a.bin would replace this input"},
        {{"--ihex", "$D/in/sub/../a.bin"},
         "$D/in/a.bin: the output $D/in/sub/../a.bin would replace this input"},
        {{"--c-header", "$D/out/img.h"},
         "$D/out/img.h: cannot be written: it leads to the same file as another output"},
        {{"--ihex", "$D/out/x", "--srec", "$D/out/x"}, "$D/out/x: cannot be written"},
        {{"--manifest", "$D/none/m.json"}, "$D/none"},
        {{"--manifest", "$D/out/m.json", "--c-header", "$D/out/layout.h"},
         "$D/out/layout.h: cannot be written: the file is read-only",
         true},
    };
    for (const auto& [options, message, readOnlyHeader] : cases) {
        for (const std::string& name : earlier) {
            fs::remove(dir / ("out/" + name));
            writeFile(dir / ("out/" + name), "earlier " + name);
        }
        if (readOnlyHeader) {
            fs::permissions(dir / "out/layout.h", fs::perms::owner_read);
        }
        Args args{"merge", "-o", out};
        args.insert(args.end(), options.begin(), options.end());
        args.insert(args.end(), {"$D/in/a.bin", "$D/in/sub/B.dot"});
        EXPECT_EQ(run(args), 1) << ::testing::PrintToString(args);
        EXPECT_TRUE(oneLine(errors) && errors.find(at(message)) != std::string::npos) << errors;
        EXPECT_EQ(test::namesIn(dir / "out"), earlier) << ::testing::PrintToString(args);
        for (const std::string& name : earlier) {
            EXPECT_TRUE(readFile(dir / ("out/" + name)) == "earlier " + name) << name;
        }
    }
    // Without --pad the flash size does not move the image's end.
    EXPECT_EQ(run({"merge", "-q", "-o", "$D/fits", "--flash-size", "1M", "--ihex", "$D/fits.hex",
                   "--base", "0xFFFFE7A6", "$D/in/a.bin", "$D/in/sub/B.dot"}),
              0)
        << errors;
    const std::atomic<bool> stop{true};
    EXPECT_EQ(run({"merge", "-o", out, "--manifest", "$D/out/m.json", "--ihex", "$D/out/img.hex",
                   "$D/in/a.bin"},
                  &stop),
              1);
    EXPECT_EQ(test::namesIn(dir / "out"), earlier);
}

// With --relative the list file, the manifest and the header name each file
// relative to the list file's folder; the list read back from a moved
// folder finds the files in their new place.
TEST_F(Cli, RelativeListsMoveWithTheirFolder) {
    ASSERT_EQ(run({"merge", "-q", "-o", "$D/in/sub/pack", "--relative", "--manifest",
                   "$D/in/sub/pack.json", "--c-header", "$D/in/sub/layout.h", "$D/in/sub/a.jpg",
                   "$D/in/a.bin"}),
              0)
        << errors;
    EXPECT_EQ(readFile(dir / "in/sub/pack.h"),
              "{\n/*\tNo,\tFile Name,\t\tSize,\tAddress\t*/\n\n\t1, \"a.jpg\", 100, 0;\n"
              "\t2, \"../a.bin\", 1234, 100;\n\n}\n");
    const ManifestReadResult manifest = readManifest(dir / "in/sub/pack.json");
    ASSERT_EQ(manifest.manifest.rows.size(), 2u);
    EXPECT_EQ(manifest.manifest.rows[1].path, "../a.bin");
    EXPECT_NE(readFile(dir / "in/sub/layout.h").find("/* 2: ../a.bin */"), std::string::npos);

    fs::rename(dir / "in", dir / "moved");
    EXPECT_EQ(run({"merge", "--dry-run", "-l", "$D/moved/sub/pack.h"}), 0) << errors;
    EXPECT_EQ(printed, at("No.\tFile Name\tSize(byte)\tAddress\tData Format\n"
                          "1\t$D/moved/sub/a.jpg\t100\t0\t.jpg\n"
                          "2\t$D/moved/sub/../a.bin\t1234\t100\t.bin\n"
                          "Image capacity: 1334 bytes\n"));
    EXPECT_EQ(run({"verify", "-q", "$D/moved/sub/pack.bin", "-l", "$D/moved/sub/pack.h"}), 0)
        << printed << errors;
}

// verify names every bad row (No., file, address, what differs) on stdout
// and exits 1; a longer image is a note only.
TEST_F(Cli, VerifyNamesEveryBadRow) {
    ASSERT_EQ(run({"merge", "-q", "-o", out, "-f", "64", "-i", "--manifest", "$D/out/img.json",
                   "$D/in/a.bin", "$D/in/sub/B.dot", "$D/in/sub/a.jpg"}),
              0)
        << errors;
    const std::string image = readFile(out + ".bin");
    const std::string dot = readFile(dir / "in/sub/B.dot");
    std::string flipped = image;
    flipped[1300] = static_cast<char>(~flipped[1300]);
    const std::string dotCrcs = "CRC-32 " + crcText(crc32Of(flipped.substr(1298, 5000))) +
                                ", expected " + crcText(crc32Of(dot));
    std::string badRecord = image;
    badRecord[16] = static_cast<char>(0x9B); // row 3's address: 6299 instead of 6298
    std::string badFiller = image;
    badFiller[40] = 0;
    const std::string rowB = "2\t$D/in/sub/B.dot\t1298\t";
    const std::string rowC = "3\t$D/in/sub/a.jpg\t6298\t";
    const std::string ok = out + ".bin: every file matches, and so does the file info table\n";
    const std::string oneBad = "1 file does not match\n";
    const struct {
        std::string image;
        std::string byList;     // stdout; "" for a failure with nothing per row
        std::string listErrors; // the end of stderr
        std::string byManifest; // the same against the manifest
        std::string manifestErrors;
    } cases[] = {
        {image, ok, "", ok, ""},
        {flipped, rowB + "first difference at offset 1300\n", oneBad, rowB + dotCrcs + "\n",
         oneBad},
        {badRecord, rowC + "the file info table says address 6299, size 100\n", oneBad,
         rowC + "the file info table says address 6299, size 100\n", oneBad},
        {image.substr(0, 6350), rowC + "the image ends at offset 6350, inside the file\n", oneBad,
         rowC + "the image ends at offset 6350, inside the file\n", oneBad},
        {image + "d", ok, "goes on 1 byte past the layout's end (6398 bytes); it was not checked\n",
         ok, "goes on 1 byte past the layout's end (6398 bytes); it was not checked\n"},
        {badFiller, ok, "", "",
         "is not the manifest's image_crc32, while every file matches: the front area or the "
         "padding differs\n"},
    };
    for (const auto& [content, byList, listErrors, byManifest, manifestErrors] : cases) {
        writeFile(dir / "check.bin", content);
        for (const auto& [layout, shown, errorEnd] :
             {std::tuple<Args, std::string, std::string>{{"-l", out + ".h"}, byList, listErrors},
              {{"--manifest", "$D/out/img.json"}, byManifest, manifestErrors}}) {
            Args args{"verify", out + ".bin"};
            fs::copy_file(dir / "check.bin", out + ".bin", fs::copy_options::overwrite_existing);
            args.insert(args.end(), layout.begin(), layout.end());
            EXPECT_EQ(run(args), shown == ok ? 0 : 1) << ::testing::PrintToString(args) << errors;
            EXPECT_EQ(printed, at(shown)) << ::testing::PrintToString(args);
            EXPECT_TRUE(errorEnd.empty() ? errors.empty() : errors.ends_with(errorEnd)) << errors;
        }
    }
    const std::pair<Args, std::string> unreadable[] = {
        {{"verify", "$D/in/none.bin", "-l", out + ".h"}, "$D/in/none.bin: cannot be read"},
        {{"verify", out + ".bin", "-l", "$D/in/a.bin"}, "$D/in/a.bin: not a list file"},
        {{"verify", out + ".bin", "--manifest", out + ".h"}, out + ".h: not a manifest"},
    };
    for (const auto& [args, message] : unreadable) {
        EXPECT_EQ(run(args), 1) << ::testing::PrintToString(args);
        EXPECT_EQ(errors.rfind(at("zadodaziderav-cli: " + message), 0), 0u) << errors;
    }
}

// inspect prints the table with each row's CRC-32, or says there is none.
TEST_F(Cli, InspectPrintsTheTable) {
    ASSERT_EQ(run({"merge", "-q", "-o", out, "-f", "0x20", "-i", "$D/in/a.bin", "$D/in/sub/a.jpg"}),
              0);
    EXPECT_EQ(run({"inspect", out + ".bin"}), 0) << errors;
    EXPECT_EQ(printed, "No.\tAddress\tSize\tCRC-32\n1\t32\t1234\t" +
                           crcText(crc32Of(readFile(dir / "in/a.bin"))) + "\n2\t1266\t100\t" +
                           crcText(crc32Of(readFile(dir / "in/sub/a.jpg"))) +
                           "\nImage size: 1366 bytes\n");
    const std::pair<std::string, std::string> refused[] = {
        {"$D/in/a.bin", "$D/in/a.bin: no file info table found"},
        {"$D/in/none", "$D/in/none: cannot be read"},
    };
    for (const auto& [image, message] : refused) {
        EXPECT_EQ(run({"inspect", image}), 1);
        EXPECT_EQ(printed, "");
        EXPECT_EQ(errors.rfind(at("zadodaziderav-cli: " + message), 0), 0u) << errors;
    }
}

// unpack writes each row's bytes, named from the table or the list, and
// replaces no file.
TEST_F(Cli, UnpackWritesEachFileOnce) {
    ASSERT_EQ(run({"merge", "-q", "-o", out, "-f", "64", "-i", "$D/in/a.bin", "$D/in/sub/B.dot"}),
              0);
    fs::create_directory(dir / "u");
    EXPECT_EQ(run({"unpack", out + ".bin", "-d", "$D/u"}), 0) << errors;
    EXPECT_EQ(printed, at("$D/u/001.bin\n$D/u/002.bin\n"));
    EXPECT_EQ(run({"unpack", "-q", out + ".bin", "--directory=$D/u", "-l", out + ".h"}), 0);
    EXPECT_EQ(printed, "");
    for (const auto& [name, source] : {std::pair<std::string, std::string>{"001.bin", "in/a.bin"},
                                       {"002.bin", "in/sub/B.dot"},
                                       {"a.bin", "in/a.bin"},
                                       {"B.dot", "in/sub/B.dot"}}) {
        EXPECT_TRUE(readFile(dir / ("u/" + name)) == readFile(dir / source)) << name;
    }
    fs::remove(dir / "u/002.bin");
    const std::pair<Args, std::string> refused[] = {
        {{"unpack", out + ".bin", "-d", "$D/u"}, "$D/u/001.bin: exists already"},
        {{"unpack", "$D/in/a.bin", "-d", "$D/u"}, "$D/in/a.bin: no file info table found"},
        {{"unpack", out + ".bin", "-d", "$D/none"}, "$D/none: cannot take the files"},
    };
    for (const auto& [args, message] : refused) {
        EXPECT_EQ(run(args), 1) << ::testing::PrintToString(args);
        EXPECT_EQ(errors.rfind(at("zadodaziderav-cli: " + message), 0), 0u) << errors;
    }
    EXPECT_EQ(test::namesIn(dir / "u"), (std::vector<std::string>{"001.bin", "B.dot", "a.bin"}));
}

// The built program, started with its stop signals blocked and held before
// it starts until release(), so that a signal sent meanwhile is waiting for
// it and arrives as soon as the program lets it in.
class BuiltCli : public Cli {
  protected:
    // stdout goes to `stdoutPath`, stderr to dir/"errors"; `ignored`, when
    // not 0, is a signal the parent leaves ignored.
    pid_t start(const Args& args, const std::string& stdoutPath, int ignored = 0) {
        std::vector<std::string> all{ZD_CLI_BINARY};
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (std::string& arg : all) {
            argv.push_back(arg.data());
        }
        argv.push_back(nullptr);
        const std::string errorsPath = dir / "errors";
        sigset_t stops, before;
        sigemptyset(&stops);
        for (const int number : {SIGINT, SIGTERM, SIGHUP}) {
            sigaddset(&stops, number);
        }
        int door[2];
        EXPECT_EQ(::pipe(door), 0);
        ::sigprocmask(SIG_BLOCK, &stops, &before);
        const auto disposition = ignored ? std::signal(ignored, SIG_IGN) : SIG_DFL;
        const pid_t pid = ::fork();
        if (pid == 0) {
            // A test run started in the background inherits SIGINT ignored;
            // the program must meet the dispositions a terminal gives it.
            for (const int number : {SIGINT, SIGTERM, SIGHUP}) {
                if (number != ignored) {
                    std::signal(number, SIG_DFL);
                }
            }
            const int outFd = ::open(stdoutPath.c_str(), O_WRONLY | O_CREAT, 0644);
            const int errFd = ::open(errorsPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            char go = 0;
            if (outFd < 0 || errFd < 0 || ::dup2(outFd, 1) < 0 || ::dup2(errFd, 2) < 0 ||
                ::close(door[1]) != 0 || ::read(door[0], &go, 1) != 1) {
                ::_exit(99);
            }
            ::execv(argv[0], argv.data());
            ::_exit(98);
        }
        if (ignored) {
            std::signal(ignored, disposition);
        }
        ::sigprocmask(SIG_SETMASK, &before, nullptr);
        ::close(door[0]);
        door_ = door[1];
        return pid;
    }
    void release() {
        EXPECT_EQ(::write(door_, "x", 1), 1);
        ::close(door_);
    }
    // The exit status as a shell reports it.
    static int statusOf(pid_t pid) {
        int status = 0;
        EXPECT_EQ(::waitpid(pid, &status, 0), pid);
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    int door_ = -1;
};

TEST_F(BuiltCli, MergesAsMergeImageDoes) {
    const pid_t pid = start(
        {"merge", "--output=" + out, "-if4K", dir / "in/a.bin", dir / "in/sub/"}, dir / "printed");
    release();
    EXPECT_EQ(statusOf(pid), 0) << readFile(dir / "errors");
    EXPECT_EQ(readFile(dir / "printed"), out + ".bin\n" + out + ".h\n");

    EntryList list;
    list.setFrontOffset(4096);
    list.recomputeLayout();
    list.appendEntries(
        probeFiles({dir / "in/a.bin", dir / "in/sub/a.jpg", dir / "in/sub/B.dot"}).accepted);
    ASSERT_TRUE(mergeImage(list, true, *outputPathsFor(dir / "direct")).ok());
    EXPECT_EQ(readFile(out + ".bin"), readFile(dir / "direct.bin"));
    EXPECT_EQ(readFile(out + ".h"), readFile(dir / "direct.h"));
}

// A stop signal ends the merge with 128 + its number and nothing left
// behind, unless the parent left it ignored. Results that cannot be written
// to stdout fail the run.
TEST_F(BuiltCli, ExitStatusUnderSignalsAndAFullStdout) {
    const Args merge{"merge", "-o", out, dir / "in/a.bin"};
    const struct {
        Args args;
        int signal;
        bool ignored;
        std::string stdoutPath;
        int code;
    } cases[] = {
        {merge, SIGINT, false, dir / "printed", 130},
        {merge, SIGTERM, false, dir / "printed", 143},
        {merge, SIGHUP, false, dir / "printed", 129},
        {merge, SIGHUP, true, dir / "printed", 0},
        {merge, 0, false, "/dev/full", 1},
        {{"merge", "--dry-run", dir / "in/a.bin"}, 0, false, "/dev/full", 1},
        {{"--help"}, 0, false, "/dev/full", 1},
    };
    for (const auto& [args, signal, ignored, stdoutPath, code] : cases) {
        writeFile(out + ".bin", "earlier image");
        fs::remove(out + ".h");
        const pid_t pid = start(args, stdoutPath, ignored ? signal : 0);
        ASSERT_TRUE(pid > 0 && (signal == 0 || ::kill(pid, signal) == 0));
        release();
        const std::string what = ::testing::PrintToString(args) + " signal " +
                                 std::to_string(signal) + ": " + readFile(dir / "errors");
        EXPECT_EQ(statusOf(pid), code) << what;
        if (signal && !ignored) {
            EXPECT_NE(readFile(dir / "errors").find("merge stopped"), std::string::npos) << what;
            EXPECT_EQ(readFile(out + ".bin"), "earlier image") << what;
            EXPECT_EQ(test::namesIn(dir / "out"), std::vector<std::string>{"img.bin"}) << what;
        }
        if (stdoutPath == "/dev/full") {
            EXPECT_TRUE(oneLine(readFile(dir / "errors")) &&
                        readFile(dir / "errors").find("standard output") != std::string::npos)
                << what;
        }
    }
}

} // namespace
} // namespace zd

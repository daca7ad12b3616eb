// What the command line promises about files and names: it overwrites
// nothing the user did not name as an output, and shows every name with its
// controls escaped while the files keep it as it is.
#include "core/files/path_text.h"
#include "core/firmware/manifest.h"
#include "tests/cli/cli_run.h"
#include "tests/support/folder_state.h"

#include <algorithm>

namespace zd {
namespace {

using test::writeFile;
using Args = std::vector<std::string>;
using namespace std::string_literals;

class CliPromises : public test::CliInFolder {};

TEST_F(CliPromises, NothingIsOverwrittenThatTheUserDidNotName) {
    writeFile(dir / "a.bin", test::patternBytes(100, 1));
    writeFile(dir / "args.txt", dir / "a.bin\n");
    ASSERT_EQ(run("merge -q -o $D/saved.h $D/a.bin"), 0);
    std::filesystem::create_hard_link(test::pathOf(dir / "saved.h"), test::pathOf(dir / "link.h"));
    const auto before = test::folderState(test::textOf(dir.path()));
    const std::tuple<std::string, int, std::string> runs[] = {
        // A value left out takes no other word: usage errors naming the option.
        {"merge --output= $D/a.bin $D/a.bin", 2, "--output: an empty name"},
        {"merge -o -- $D/a.bin", 2, "--output needs a value; --"},
        {"merge -io -- $D/a.bin", 2, "--output needs a value; --"},
        {"merge --output -$D/a.bin", 2, "write ./-"},
        // Every output against every file read, by name and by identity.
        {"merge -o $D/o -l $D/saved.h --manifest $D/saved.h", 1, "would replace this input"},
        {"merge -o $D/saved.h -l $D/saved.h", 1, "the output list file would replace"},
        {"merge --dry-run -l $D/saved.h --ihex $D/link.h", 1,
         "$D/saved.h: the output $D/link.h would replace this input"},
        {"merge -o $D/o @$D/args.txt --srec $D/args.txt", 1, "would replace this input"},
        // A companion's value left out takes the next input: refused, as it is
        // neither empty nor that output's kind.
        {"merge -o $D/o --manifest $D/a.bin $D/args.txt", 1,
         "$D/a.bin: exists and is not a manifest this tool wrote"},
        {"merge -o $D/o --c-header $D/a.bin $D/args.txt", 1, "not a C header this tool wrote"},
        {"merge -o $D/o --ihex $D/saved.h $D/a.bin", 1, "not Intel HEX this tool wrote"},
        {"merge -o $D/o --srec $D/a.bin $D/args.txt", 1, "not S-records this tool wrote"},
        {"merge --dry-run --depfile $D/args.txt $D/a.bin", 1, "not a dependency file this"},
        {"merge -o $D/o --flashrom-layout $D/a.bin $D/args.txt", 1, "not a flashrom layout this"},
        {"merge -o $D/o --fmap $D/saved.h $D/a.bin", 1, "not an FMAP this tool wrote"},
        {"merge -o $D/o --map $D/args.txt $D/a.bin", 1, "not a layout picture this tool wrote"},
    };
    for (const auto& [line, code, said] : runs) {
        EXPECT_EQ(run(line), code) << line;
        EXPECT_NE((printed + errors).find(at(said)), std::string::npos) << printed << errors;
    }
    EXPECT_EQ(test::folderState(test::textOf(dir.path())), before);
    // What this tool wrote, and an empty file, are replaced; anything with
    // --overwrite.
    writeFile(dir / "o.d", "");
    const std::string all = "merge -q -o $D/o --manifest $D/o.json --c-header $D/o_l.h --ihex "
                            "$D/o.hex --srec $D/o.s37 --depfile $D/o.d --flashrom-layout "
                            "$D/o.layout --fmap $D/o.fmap --map $D/o.svg -f 4K $D/a.bin";
    EXPECT_EQ(run(all), 0) << errors;
    EXPECT_EQ(run(all), 0) << errors;
    EXPECT_EQ(run("merge -q -o $D/o --overwrite --manifest $D/args.txt $D/a.bin"), 0) << errors;
    EXPECT_EQ(test::readFile(dir / "args.txt").front(), '{');
}

// Nothing printed is a control but the line feeds and tabs, nor any byte
// past ASCII: every other character of a name shows escaped.
bool terminalSafe(const std::string& text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return c == '\n' || c == '\t' || (c >= 0x20 && c < 0x7F); });
}

TEST_F(CliPromises, NamesAreShownEscapedAndKeptAsTheyAre) {
    const auto runSafely = [this](const Args& words, int code) {
        EXPECT_EQ(runWith(words), code) << words.back() << printed << errors;
        EXPECT_TRUE(terminalSafe(printed + errors)) << printed << errors;
    };
    const std::string evil = "evil\x1B]0;t\x07\x1B[2J\xE2\x80\xAE\xC2\x9B.bin";
    writeFile(dir / "img.bin", "abcd");
    writeFile(dir / "m.json", manifestText({0, false, 4, 0, {{"/r/" + evil, 4, 0, 0}}}));
    runSafely({"verify", dir / "img.bin", "--manifest", dir / "m.json"}, 1);
    EXPECT_NE(printed.find("1\t/r/evil\\x1B]0;t\\x07\\x1B[2J\\u202E\\u009B.bin\t0\t"),
              std::string::npos)
        << printed;
    // A NUL is refused where a name comes in: arguments, argument files,
    // manifests (whose checksums would match "abcd" if it were taken; the
    // list file's reader has its own test).
    writeFile(dir / "with-nul.txt", dir / "img.bin\0b\nsecond\0line"s);
    writeFile(dir / "with-nul.json",
              manifestText({0, false, 4, 0xED82CD11, {{"/r/a\0b"s, 4, 0, 0xED82CD11}}}));
    runSafely({"merge", "--dry-run", dir / "a\0b"s}, 2);
    runSafely({"merge", "--dry-run", "@"s.append(dir / "with-nul.txt")}, 2);
    EXPECT_NE(errors.find("img.bin\\x00b holds a NUL"), std::string::npos) << errors; // the first
    runSafely({"verify", dir / "img.bin", "--manifest", dir / "with-nul.json"}, 1);
    EXPECT_NE(errors.find("NUL"), std::string::npos) << errors;
    // A "\" parts a name only where Windows wrote it.
    const std::string listed = manifestText({0, false, 0, 0, {{"/r/dir\\a.bin", 0, 0, 0}}});
    EXPECT_NE(listed.find(files::kWin32 ? "\"file\": \"a.bin\"" : "\"file\": \"dir\\\\a.bin\""),
              std::string::npos);
#ifndef _WIN32
    // A merge and an unpack of such names print them escaped; the list file
    // and the unpacked files keep them.
    writeFile(dir / evil, "abcd");
    std::filesystem::create_directory(dir / "u");
    runSafely({"merge", "-o", dir / "o", dir / evil, "--manifest", dir / ("o" + evil)}, 0);
    EXPECT_NE(test::readFile(dir / "o.h").find(dir / evil), std::string::npos);
    writeFile(dir / "o.h",
              "{\n/*\tNo,\tFile Name,\t\tSize,\tAddress\t*/\n\n\t1, \"/r/" + evil +
                  "\", 2, 0;\n\t2, \"/r/back\\\", 1, 2;\n\t3, \"C:\\r\\w.bin\", 1, 3;\n\n}\n");
    runSafely({"unpack", dir / "o.bin", "-d", dir / "u", "-l", dir / "o.h"}, 0);
    EXPECT_EQ(test::namesIn(dir / "u"), (Args{"back\\", evil, "w.bin"}));
#endif
}

// An output name with ':' is on Windows a stream of another file, refused by
// name before anything is written; elsewhere an ordinary character.
TEST_F(CliPromises, ColonInAnOutputNameRefusedOnWindowsOnly) {
    const std::string input = dir / "b.bin", keep = dir / "keep.bin";
    writeFile(input, "bytes");
    writeFile(keep, "kept");
    // "m" + ":x.json", not the drive "m:".
    for (const std::string& named : {keep + ":notes", dir / "img:x", dir / "m" + ":x.json"}) {
        const int code =
            runWith(named.ends_with(".json")
                        ? Args{"merge", "-q", "-o", dir / "c", "--manifest", named, input}
                        : Args{"merge", "-q", "-o", named, input});
        EXPECT_EQ(code == 1, files::kWin32) << errors;
        EXPECT_EQ(errors.find(named + ": a ':' in a file name") != std::string::npos,
                  files::kWin32);
    }
    // Elsewhere the name rule cuts "keep.bin:notes" at its last '.'.
    EXPECT_EQ(test::readFile(keep), files::kWin32 ? "kept" : "bytes");
    EXPECT_EQ(test::namesIn(dir.path()).size(), files::kWin32 ? 2u : 8u);
    EXPECT_EQ(runWith({"merge", "-q", "-o", dir / "d", input}), 0); // a drive's ':'
}

} // namespace
} // namespace zd

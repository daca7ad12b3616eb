// Updating one asset through the command line: a merge with room to grow,
// one file changed, a merge that keeps the layout, and what a programmer
// then needs (diff's sectors; the HEX records, read back by srec_cat); what
// the merge says moved; the values and layouts it refuses.
#include "tests/cli/cli_run.h"
#include "tests/support/folder_state.h"

#include <cstdlib>
#include <sys/wait.h>

namespace zd {
namespace {

using test::readFile;
using test::writeFile;

class KeptLayout : public test::CliInFolder {
  protected:
    void SetUp() override {
        std::filesystem::create_directory(dir.path() / "out");
        writeFile(dir / "logo.bin", test::patternBytes(1234, 1));
        writeFile(dir / "font16.dot", test::patternBytes(5000, 2));
        writeFile(dir / "icon.bin", test::patternBytes(300, 3));
    }
    // `command` run by the shell in the scratch folder; its exit status.
    int shell(const std::string& command) {
        const int status = std::system(("cd '" + dir.path().string() + "' && " + command).c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    const std::string files = " $D/logo.bin $D/font16.dot $D/icon.bin";
    const std::string layout = "merge -o $D/out/flash -f 4K -i --align 4K --reserve 25%";
};

// The file that grew within its slot changes its slot's sectors and the
// table's, nothing else; the dry run says so and writes nothing; the HEX
// records of the kept layout give the image back.
TEST_F(KeptLayout, OneChangedAssetChangesItsSlotAndTheTable) {
    ASSERT_EQ(run(layout + files), 0) << errors;
    std::filesystem::copy_file(dir / "out/flash.bin", dir / "old.bin");
    writeFile(dir / "logo.bin", test::patternBytes(4096, 4)); // its slot, whole
    const auto before = test::folderState(dir.path().string());
    const std::string kept = at("zadodaziderav-cli: $D/out/flash.h: layout kept: 3 of 3 files "
                                "kept their place\n");
    ASSERT_EQ(run(layout + " --dry-run --keep-layout" + files), 0) << errors;
    EXPECT_NE(printed.find(at("2\t$D/font16.dot\t5000\t8192\t.dot\n3\t$D/icon.bin\t300\t16384\t"
                              ".bin\nImage capacity: 20480 bytes\n")),
              std::string::npos)
        << printed;
    EXPECT_EQ(errors, kept);
    EXPECT_EQ(test::folderState(dir.path().string()), before);

    ASSERT_EQ(run(layout + " --keep-layout --ihex $D/out/flash.hex" + files), 0) << errors;
    EXPECT_EQ(errors, kept);
    EXPECT_EQ(run("diff --sector 4K $D/old.bin $D/out/flash.bin"), 0);
    EXPECT_EQ(printed, "0x00000000\t8192\n"
                       "2 of 5 sectors of 4096 bytes changed: 8192 of 20480 bytes to program\n");
    ASSERT_EQ(shell(ZD_TEST_SREC_CAT " out/flash.hex -intel -fill 0xFF 0 20480 -o rebuilt.bin "
                                     "-binary"),
              0);
    EXPECT_TRUE(readFile(dir / "rebuilt.bin") == readFile(dir / "out/flash.bin"));
}

// Each file that moved or came new is named (escaped) with its addresses and
// why, then how many kept their place and how many slots were left; a list
// file not there yet gives a fresh layout, said so; -q says nothing.
TEST_F(KeptLayout, TheMergeSaysWhatMoved) {
    ASSERT_EQ(run(layout + " --keep-layout" + files), 0);
    EXPECT_EQ(errors, at("zadodaziderav-cli: note: $D/out/flash.h does not exist yet: a fresh "
                         "layout, nothing kept\n"));
    writeFile(dir / "logo.bin", test::patternBytes(4097, 4));
    writeFile(dir / "n\x1b[2J.bin", "0123456789");
    const std::string changed = " --keep-layout $D/n\x1b[2J.bin $D/logo.bin $D/font16.dot";
    ASSERT_EQ(run(layout + changed), 0) << errors;
    EXPECT_EQ(errors, at("zadodaziderav-cli: $D/n\\x1B[2J.bin: placed at 20480: new\n"
                         "zadodaziderav-cli: $D/logo.bin: moved from 4096 to 24576: grew past "
                         "its slot\n"
                         "zadodaziderav-cli: $D/out/flash.h: layout kept: 1 of 3 files kept "
                         "their place; 1 earlier file no longer listed, its slot left unused\n"));
    ASSERT_EQ(run(layout + " -q" + changed), 0);
    EXPECT_TRUE(printed.empty() && errors.empty()) << errors;
}

// Malformed values are usage errors; an earlier list that is no list, a
// front area over a kept file and an output over the list read fail, naming
// the file; none writes anything.
TEST_F(KeptLayout, RefusalsWriteNothing) {
    ASSERT_EQ(run("merge -q -o $D/out/img --reserve 25%" + files), 0);
    const auto before = test::folderState(dir.path().string());
    const std::tuple<std::string, int, std::string> cases[] = {
        {"--reserve 12abc", 2,
         "--reserve: '12abc': not a size below 4 GiB (as -f takes it) or a "
         "percentage from 0% to 1000%"},
        {"--reserve 1001%", 2, "'1001%': not a size"},
        {"--reserve=", 2, "'': not a size"},
        {"--layout-from ''", 2, "an empty name names no file"},
        {"--layout-from -x.h", 2, "'-x.h' starts with '-'; write ./-x.h"},
        {"--keep-layout --dry-run", 2, "--keep-layout needs -o"},
        {"--keep-layout -o $D/out/img --layout-from $D/out/img.h", 2, "not both"},
        {"-o $D/out/x --layout-from $D/logo.bin", 1,
         "$D/logo.bin: its layout cannot be kept: line 1: "},
        {"-o $D/out/x --layout-from $D/none.h", 1,
         "$D/none.h: cannot be read: No such file or directory; its layout cannot be kept"},
        {"-o $D/out/x -f 0x1001 --layout-from $D/out/img.h", 1,
         "$D/logo.bin: would keep its address 0, inside the front area of 4097 bytes; nothing "
         "was written"},
        {"-o $D/out/x --layout-from $D/out/img.h --c-header $D/out/img.h", 1,
         "$D/out/img.h: the output $D/out/img.h would replace this input"},
    };
    for (const auto& [options, code, said] : cases) {
        EXPECT_EQ(run("merge " + options + files), code) << options;
        EXPECT_TRUE(printed.empty() && errors.find(at(said)) != std::string::npos &&
                    errors.find('\n') == errors.size() - 1)
            << options << ": " << errors;
    }
    EXPECT_EQ(test::folderState(dir.path().string()), before);
}

} // namespace
} // namespace zd

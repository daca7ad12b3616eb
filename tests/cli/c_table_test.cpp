// The C header's CRC-32s and table as firmware uses them: the README's boot
// check compiled (C99 and C++) into a program of several files beside one
// that includes the header without the table, and run over the image.
#include "tests/cli/cli_run.h"
#include "tests/support/test_files.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <sys/wait.h>

namespace zd {
namespace {

using test::readFile;
using test::runCli;
using test::writeFile;

// The README's C block that walks the table.
std::string readmeExample() {
    const std::string readme = readFile(ZD_SOURCE_DIR "/README.md");
    const auto walk = readme.find("&zd_files[i]");
    const auto begin = readme.rfind("```c\n", walk) + 5;
    return readme.substr(begin, readme.find("```\n", walk) - begin);
}

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

TEST(CTable, TheReadmeBootCheckFindsTheFileThatChanged) {
    test::TempDir dir;
    writeFile(dir / "a.bin", test::patternBytes(1000, 1));
    writeFile(dir / "b.dot", test::patternBytes(70000, 2));
    writeFile(dir / "c.jpg", test::patternBytes(300, 3));
    const test::CliRun merged =
        runCli({"merge", "-q", "-f", "4K", "-o", dir / "img", "--c-header", dir / "flash_layout.h",
                "--c-table", dir / "a.bin", dir / "b.dot", dir / "c.jpg"});
    ASSERT_EQ(merged.code, 0) << merged.err;
    writeFile(dir / "assets.c", readmeExample());
    writeFile(dir / "other.c", kOtherFile);
    writeFile(dir / "board.c", kBoard);
    // One byte of the middle file changed in the flash, at its end.
    std::string flash = readFile(dir / "img.bin");
    flash[4096 + 1000 + 69999] ^= 0x40;
    writeFile(dir / "flash.bin", flash);
    const std::string flags = " -Wall -Wextra -Werror -pedantic -O0 assets.c other.c board.c";
    for (const std::string& compiler :
         {std::string(ZD_TEST_CC) + " -std=c99", std::string(ZD_TEST_CXX) + " -x c++ -std=c++20"}) {
        const std::string build = "cd " + dir.path().string() + " && " + compiler + flags;
        ASSERT_EQ(std::system(build.c_str()), 0) << build;
        EXPECT_EQ(std::system(((dir / "a.out") + " " + (dir / "img.bin")).c_str()), 0) << compiler;
        const std::string check = (dir / "a.out") + " " + (dir / "flash.bin");
        EXPECT_EQ(WEXITSTATUS(std::system(check.c_str())), 2) << compiler;
    }
}

} // namespace
} // namespace zd

// Runs the built program once from end to end, as a build script would.
#include "test_files.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <sys/wait.h>

namespace zd {
namespace {

using test::patternBytes;
using test::readFile;
using test::TempDir;
using test::writeFile;

TEST(CliProgram, MergesFromTheCommandLine) {
    TempDir dir;
    const std::string a = patternBytes(300, 1);
    const std::string b = patternBytes(200, 2);
    writeFile(dir / "a.bin", a);
    writeFile(dir / "b.bin", b);
    const std::string command = std::string("'") + ZD_CLI_BINARY + "' merge -o '" + (dir / "img.bin") +
                                "' -f 17 -i '" + (dir / "a.bin") + "' '" + (dir / "b.bin") + "' 2>&1";
    FILE* pipe = ::popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string printed;
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, pipe)) {
        printed += buffer;
    }
    const int status = ::pclose(pipe);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << printed;
    EXPECT_EQ(printed, (dir / "img.bin") + "\n" + (dir / "img.h") + "\n");

    const std::string table("\x11\x00\x00\x00\x2C\x01\x00\x00\x3D\x01\x00\x00\xC8\x00\x00\x00", 16);
    EXPECT_EQ(readFile(dir / "img.bin"), table + '\xFF' + a + b);
    EXPECT_EQ(readFile(dir / "img.h"), "{\n/*\tNo,\tFile Name,\t\tSize,\tAddress\t*/\n\n"
                                       "\t1, \"" + (dir / "a.bin") + "\", 300, 17;\n"
                                       "\t2, \"" + (dir / "b.bin") + "\", 200, 317;\n"
                                       "\n}\n");
}

} // namespace
} // namespace zd

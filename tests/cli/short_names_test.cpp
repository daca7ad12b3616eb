// Inputs given by the short names Windows makes for long ones are listed by
// their long names, which mean the same on any machine.
#include "core/files/utf16_text.h"
#include "tests/support/run_program.h"
#include "tests/support/test_files.h"

#include <gtest/gtest.h>

namespace zd {
namespace {

TEST(ShortNames, ListFileNamesAFileAndAFolderByTheirLongNames) {
    test::TempDir dir;
    const std::string folder = dir / "a folder with a long name", file = dir / "a long name.bin";
    std::filesystem::create_directory(test::pathOf(folder));
    test::writeFile(file, "12345");
    test::writeFile(folder + "\\the member.bin", "678");
    std::vector<std::string> args{"merge", "-q", "-o", dir / "out"};
    for (const std::string& path : {file, folder}) {
        std::wstring alias(MAX_PATH, L'\0');
        alias.resize(::GetShortPathNameW(test::pathOf(path).c_str(), alias.data(), MAX_PATH));
        args.push_back(win::toUtf8(alias));
        ASSERT_NE(args.back(), path);
    }
    ASSERT_EQ(test::runProgram(test::besideThisProgram(ZD_CLI_BINARY), args, dir / "said"), 0);
    EXPECT_NE(
        test::readFile(dir / "out.h")
            .find("1, \"" + file + "\", 5, 0;\n\t2, \"" + folder + "\\the member.bin\", 3, 5;"),
        std::string::npos);
}

} // namespace
} // namespace zd

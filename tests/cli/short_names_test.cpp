// Inputs given by the short names Windows makes for long ones: the list
// file names them by their long names, which mean the same on any machine.
#include "core/files/utf16_text.h"
#include "tests/support/run_program.h"
#include "tests/support/test_files.h"

#include <gtest/gtest.h>

namespace zd {
namespace {

std::string shortName(const std::string& path) {
    const std::wstring wide = test::pathOf(path).wstring();
    std::wstring found(MAX_PATH, L'\0');
    found.resize(::GetShortPathNameW(wide.c_str(), found.data(), MAX_PATH));
    return win::toUtf8(found);
}

// A file and a folder, each given by its short name.
TEST(ShortNames, ListFileNamesInputsByTheirLongNames) {
    test::TempDir dir;
    const std::string file = dir / "a file with a long name.bin";
    const std::string inFolder = dir / "a folder with a long name/the long named member.bin";
    std::filesystem::create_directory(test::pathOf(dir / "a folder with a long name"));
    test::writeFile(file, "12345");
    test::writeFile(inFolder, "678");
    const std::string shortFile = shortName(file),
                      shortFolder = shortName(dir / "a folder with a long name");
    ASSERT_NE(shortFile, file);
    ASSERT_NE(shortFolder.find('~'), std::string::npos) << shortFolder;
    const std::vector<std::string> args{"merge", "-q", "-o", dir / "out", shortFile, shortFolder};
    ASSERT_EQ(test::runProgram(test::besideThisProgram(ZD_CLI_BINARY), args, dir / "said"), 0)
        << test::readFile(dir / "said");
    const std::string list = test::readFile(dir / "out.h");
    EXPECT_NE(list.find("\t1, \"" + file + "\", 5, 0;\n\t2, \"" + inFolder + "\", 3, 5;\n"),
              std::string::npos)
        << list;
}

} // namespace
} // namespace zd

// The list file: written byte for byte, read back only when it is one, and
// never with a name it cannot carry. How it names its files: relative to its
// own folder where they share one, which names count as absolute, which names
// it can carry at all, and how any name shows in a message.
#include "core/files/path_text.h"
#include "core/model/file_names.h"
#include "core/model/list_file.h"
#include "core/model/listed_names.h"
#include "tests/core/merge_fixture.h"

#include <sys/stat.h>

namespace zd {
namespace {

using Rows = std::vector<std::pair<std::string, std::uint32_t>>;
using Addresses = std::vector<std::uint32_t>;

const std::string kHeader = "{\n/*\tNo,\tFile Name,\t\tSize,\tAddress\t*/\n\n";
const std::string kRows = "\t1, \"D:\\res\\logo.bin\", 1234, 4096;\n"
                          "\t2, \"D:\\res\\font16.dot\", 5000, 5330;\n";
const std::string kEnd = "\n}\n";
const Rows kRowsRead{{"D:\\res\\logo.bin", 1234}, {"D:\\res\\font16.dot", 5000}};

Rows rowsOf(const ListReadResult& result) {
    Rows rows;
    for (const NewEntry& entry : result.rows) {
        rows.emplace_back(entry.path, entry.size);
    }
    return rows;
}

TEST(ListFileWriter, WritesTheWorkedExampleAndRefusesNamesItCannotCarry) {
    EntryList list = test::listOf(4096, {{kRowsRead[0].first, 1234}, {kRowsRead[1].first, 5000}});
    EXPECT_EQ(listFileText(list), kHeader + kRows + kEnd);
    EXPECT_EQ(listFileText(EntryList{}), kHeader + kEnd);

    test::TempDir dir;
    ASSERT_FALSE(writeListFile(dir / "l.h", list));
    list.appendEntry("/two\nlines", 1, "");
    EXPECT_EQ(writeListFile(dir / "l.h", list), std::errc::illegal_byte_sequence);
    EXPECT_EQ(test::readFile(dir / "l.h"), kHeader + kRows + kEnd);
}

// What the writer writes, with a byte-order mark or carriage returns added,
// reads back; commas and quotes in names survive; sizes are unsigned 32-bit.
// Addresses are kept for verify when every row has one. Anything else fails
// at its first wrong line (`line`), keeping no row: a missing or wrong header,
// a first row not numbered 1, a bad size, a name with a line break, a missing
// end or text after it.
TEST(ListFileReader, ReadsWhatTheWriterWritesAndNamesTheFirstWrongLine) {
    std::string crlf;
    for (const char c : kHeader + kRows + kEnd) {
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    }
    // clang-format off
    const std::tuple<std::string, int, Rows, Addresses> cases[] = {
        {crlf, 0, kRowsRead, {4096, 5330}},
        {"\xEF\xBB\xBF{\n/* No, File Name, Size, Address */\n \n" + kRows + "0123456789\n}", 0,
         kRowsRead, {4096, 5330}},
        {kHeader + "\t1, '/a.bin', 10, 0;\n\t2, \"/b.bin\",20,x;\n\t3, x/c.binx,30,0;\n}", 0,
         {{"/a.bin", 10}, {"/b.bin", 20}, {"/c.bin", 30}}, {}},
        {kHeader + "\t1, \"/a.binx, 10, 0;\n}", 0, {{"/a.bin", 10}}, {0}}, // one quote: cut as unquoted
        {kHeader + "\t1, \"/a, \"b\".bin\", 4294967295, 7;\n}", 0, {{"/a, \"b\".bin", 4294967295u}}, {7}},
        {kHeader + kEnd, 0, {}, {}},
        {"", 1, {}, {}}, {"\x7F" "ELF\x02\x01\x01\n", 1, {}, {}}, {"{\n/*\tNo,\tName\t*/\n\n}\n", 2, {}, {}},
        {"{\n/*\tNo,\tFile Name,\t\tSize,\tAddress\t*/\n" + kRows, 3, {}, {}},
        {kHeader + "\t2, \"/a.bin\", 10, 0;\n}\n", 4, {}, {}}, {kHeader + "  1, \"/a.bin\", 10, 0;\n}\n", 4, {}, {}},
        {kHeader + kRows + "\t3, \"/b.bin\", abc, 10;\n}\n", 6, {}, {}},
        {kHeader + "\t1, \"/a\rb.bin\", 10, 0;\n}\n", 4, {}, {}}, {kHeader + kRows + "\n", 7, {}, {}},
        {kHeader + kRows + kEnd + "\t3, \"/b.bin\", 10, 10;\n", 8, {}, {}},
    };
    // clang-format on
    using Status = ListReadResult::Status;
    for (const auto& [text, line, rows, addresses] : cases) {
        SCOPED_TRACE(text);
        const ListReadResult result = parseListFile(text);
        EXPECT_EQ(std::pair(result.status, result.errorLine),
                  std::pair(line ? Status::FormatError : Status::Ok, line))
            << result.reason;
        EXPECT_EQ(rowsOf(result), rows);
        EXPECT_EQ(result.addresses, addresses);
    }
}

// A file given as a list file that is none (a 2 GiB file of zeros, a pipe or
// a device) is a format error found without reading it whole or waiting on
// it; a folder cannot be opened as one. A long list, whose lines cross the
// reader's pieces, reads whole.
TEST(ListFileReader, ReadingAFileStopsAtItsFirstWrongLine) {
    test::TempDir dir;
    test::makeSparseFile(dir / "zeros", std::uintmax_t{2} << 30);
    EntryList many;
    for (std::uint32_t i = 0; i < 3000; ++i) {
        many.appendEntry("/assets/" + std::string(i % 97, 'x') + std::to_string(i), i, "");
    }
    test::writeFile(dir / "ok.h", listFileText(many));
#ifdef _WIN32
    const std::string device = "NUL";
#else
    const std::string device = dir / "pipe";
    ASSERT_EQ(::mkfifo(device.c_str(), 0600), 0);
#endif
    using Status = ListReadResult::Status;
    const std::tuple<std::string, Status, int> cases[] = {
        {dir / "zeros", Status::FormatError, 1},
        {device, Status::FormatError, 0},
        {test::textOf(dir.path()), Status::CannotOpen, 0},
        {dir / "ok.h", Status::Ok, 0}};
    for (const auto& [path, status, line] : cases) {
        const ListReadResult result = readListFile(path);
        EXPECT_EQ(std::pair(result.status, result.errorLine), std::pair(status, line)) << path;
    }
    EXPECT_EQ(readListFile(dir / "zeros").reason, "a line longer than any list file's");
    const EntryList back = test::listOf(0, readListFile(dir / "ok.h").rows);
    EXPECT_TRUE(listFileText(back) == listFileText(many)) << "the rows read differ";
}

TEST(ListedNames, RelativeWhereTheFolderIsShared) {
    // clang-format off
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {"/p/res/logo.bin", "/p/res/", "logo.bin"}, {"/p/res/logo.bin", "/p/res", "logo.bin"},
        {"/p/res/img/a.bin", "/p/", "res/img/a.bin"}, {"/p/res/a.bin", "/p/out/lists/", "../../res/a.bin"},
        {"/p//res/./a.bin", "/p/out", "../res/./a.bin"},
        {"/usr/a.bin", "/p/out/", "/usr/a.bin"}, {"/a.bin", "/", "/a.bin"}, // nothing shared below the root
        {"/p/../a.bin", "/p/", "/p/../a.bin"}, {"/p/a.bin", "/p/x/../", "/p/a.bin"}, // ".." cannot be followed
        {"/p", "/p/", "/p"},                                    // the folder itself is not a file
        {"res/a.bin", "/p/", "res/a.bin"}, {"D:\\res\\a.bin", "/p/", "D:\\res\\a.bin"}, // already relative
        {"/p/res/a.bin", "p/", "/p/res/a.bin"},                 // a folder that is not absolute
        {"/p/a\\b.bin", "/p/", files::kWin32 ? "a/b.bin" : "a\\b.bin"}, // a folder's end on Windows only
    };
    // clang-format on
    for (const auto& [path, folder, want] : cases) {
        EXPECT_EQ(relativeName(path, folder), want) << path << " from " << folder;
    }
    for (const char* absolute :
         {"/a", "\\a", "\\\\server\\share\\a", "C:\\a", "c:a", "Z:/a", "A:", "z:a", "a:b"}) {
        EXPECT_TRUE(isAbsoluteName(absolute)) << absolute;
        EXPECT_EQ(resolveListedName(absolute, "/lists/"), absolute);
    }
    for (const char* relative : {"a.bin", "../a", "1:a", ":a", "", "@:a", "[:a", "`:a", "{:a"}) {
        EXPECT_FALSE(isAbsoluteName(relative)) << relative;
    }
    const std::string sep(1, files::kSeparator); // a relative name joins its folder with it
    EXPECT_EQ(resolveListedName("../a.bin", "/lists"), "/lists" + sep + ".." + sep + "a.bin");
    EXPECT_EQ(folderPartOf("/p/a.bin") + "|" + folderPartOf("a.bin") + "|" + folderPartOf("/"),
              "/p/||/");
}

TEST(FileNames, CarriedAndShown) {
    // clang-format off
    using namespace std::string_literals;
    const std::tuple<std::string, bool, std::string> names[] = {
        {"/res/logo.bin", true, "/res/logo.bin"}, {"", false, "\"\""},
        {"/a\nb", false, "/a\\nb"}, {"/a\rb\t", false, "/a\\rb\\t"},
        {"/a\xFF\xC3\x28\xED\xA0\x80" "b", false, "/a\\xFF\\xC3(\\xED\\xA0\\x80b"},
        {"/overlong\xC0\xAF", false, "/overlong\\xC0\\xAF"}, {"/cut\xE5\x9B", false, "/cut\\xE5\\x9B"},
        // the largest code point and past it; below the first surrogate, the last
        {"/\xF4\x8F\xBF\xBF\xED\x9F\xBF\xC2\xA0", true, "/\xF4\x8F\xBF\xBF\xED\x9F\xBF\xC2\xA0"},
        // controls: C0, DEL, C1 and the bidirectional ones, each at its ends
        {"/\x01\x1F\x7F\xC2\x80\xC2\x9F\xE2\x80\xAA\xE2\x80\xAE\xE2\x81\xA6\xE2\x81\xA9", true,
         "/\\x01\\x1F\\x7F\\u0080\\u009F\\u202A\\u202E\\u2066\\u2069"},
        {"/a\0b\xE2\x80\xA9\xE2\x80\xAF\xE2\x81\xA5\xE2\x81\xAA"s, false,
         "/a\\x00b\xE2\x80\xA9\xE2\x80\xAF\xE2\x81\xA5\xE2\x81\xAA"},
        {"/\xF4\x90\x80\x80\xED\xBF\xBF", false, "/\\xF4\\x90\\x80\\x80\\xED\\xBF\\xBF"},
        // the first and last of each length; leads that are never good
        {"/e\xDF\xBF\xF0\x90\x80\x80\xEF\xBF\xBD\xEE\x80\x80\xE0\xA0\x80", true,
         "/e\xDF\xBF\xF0\x90\x80\x80\xEF\xBF\xBD\xEE\x80\x80\xE0\xA0\x80"},
        {"/e\xE0\x80\x80\xF5\xC1\xBF", false, "/e\\xE0\\x80\\x80\\xF5\\xC1\\xBF"},
    };
    // clang-format on
    for (const auto& [name, carried, shown] : names) {
        EXPECT_EQ(listFileCanCarry(name), carried) << shown;
        EXPECT_EQ(printableName(name), shown);
    }
}

} // namespace
} // namespace zd

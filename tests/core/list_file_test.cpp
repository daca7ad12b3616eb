// The list file: written byte for byte, read back only when it is one, and
// never with a name it cannot carry.
#include "core/files/file_layer.h"
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
    EXPECT_EQ(test::namesIn(dir.path()), std::vector<std::string>{"l.h"});
}

// What the writer writes, with a byte-order mark or carriage returns added,
// reads back; commas and quotes in names survive; sizes are unsigned 32-bit.
// Addresses are kept for verify when every row has one.
TEST(ListFileReader, ReadsWhatTheWriterWrites) {
    std::string crlf;
    for (const char c : kHeader + kRows + kEnd) {
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    }
    const Addresses kept{4096, 5330};
    const std::tuple<std::string, Rows, Addresses> good[] = {
        {crlf, kRowsRead, kept},
        {"\xEF\xBB\xBF" + kHeader + kRows + "}", kRowsRead, kept},
        {"{\n/* No, File Name, Size, Address */\n \n" + kRows + "0123456789\n}\n", kRowsRead, kept},
        {kHeader + "\t1, '/a.bin', 10, 0;\n\t2, \"/b.bin\",20,x;\n\t3, x/c.binx,30,0;\n}",
         {{"/a.bin", 10}, {"/b.bin", 20}, {"/c.bin", 30}},
         {}},
        {kHeader + "\t1, \"/a.binx, 10, 0;\n}",
         {{"/a.bin", 10}},
         {0}}, // one quote: cut as unquoted
        {kHeader + "\t1, \"/a, \"b\".bin\", 4294967295, 7;\n}",
         {{"/a, \"b\".bin", 4294967295u}},
         {7}},
        {kHeader + kEnd, {}, {}},
    };
    for (const auto& [text, rows, addresses] : good) {
        SCOPED_TRACE(text);
        const ListReadResult result = parseListFile(text);
        EXPECT_EQ(result.status, ListReadResult::Status::Ok) << result.reason;
        EXPECT_EQ(rowsOf(result), rows);
        EXPECT_EQ(result.addresses, addresses);
    }
}

// Anything else fails at its first wrong line, with nothing read from it: a
// missing or wrong header, a first row not numbered 1, a bad size, a name
// with a line break, a missing end or text after it.
TEST(ListFileReader, NamesTheFirstLineThatIsNotAListFiles) {
    // clang-format off
    const std::pair<std::string, int> bad[] = {
        {"", 1}, {"\x7F" "ELF\x02\x01\x01\n", 1}, {"{\n/*\tNo,\tName\t*/\n\n}\n", 2}, {"{\n" + kRows, 2},
        {"{\n/*\tNo,\tFile Name,\t\tSize,\tAddress\t*/\n" + kRows, 3},
        {kHeader + "\t2, \"/a.bin\", 10, 0;\n}\n", 4}, {kHeader + "  1, \"/a.bin\", 10, 0;\n}\n", 4},
        {kHeader + kRows + "\t3, \"/b.bin\", abc, 10;\n}\n", 6},
        {kHeader + kRows + "\t3, \"/b.bin\", 4294967296, 10;\n}\n", 6},
        {kHeader + "\t1, \"/a\rb.bin\", 10, 0;\n}\n", 4}, {kHeader + kRows + "\n", 7},
        {kHeader + kRows + kEnd + "\t3, \"/b.bin\", 10, 10;\n", 8},
    };
    // clang-format on
    for (const auto& [text, line] : bad) {
        const ListReadResult result = parseListFile(text);
        EXPECT_EQ(result.status, ListReadResult::Status::FormatError) << text;
        EXPECT_EQ(result.errorLine, line) << text << result.reason;
        EXPECT_TRUE(result.rows.empty() && !result.reason.empty()) << text;
    }
}

// A file given as a list file that is none (a 2 GiB file of zeros, a pipe, a
// device) is a format error found without reading it whole or waiting on
// it; a folder cannot be opened as one. A long list, whose lines cross the
// reader's pieces, reads whole.
TEST(ListFileReader, ReadingAFileStopsAtItsFirstWrongLine) {
    test::TempDir dir;
    test::makeSparseFile(dir / "zeros", std::uintmax_t{2} << 30);
    test::writeFile(dir / "empty.h", "");
    EntryList many;
    for (std::uint32_t i = 0; i < 3000; ++i) {
        many.appendEntry("/assets/" + std::string(i % 97, 'x') + std::to_string(i), i, "");
    }
    test::writeFile(dir / "ok.h", listFileText(many));
    using Status = ListReadResult::Status;
    std::vector<std::tuple<std::string, Status, int>> cases{
        {dir / "zeros", Status::FormatError, 1},
        {dir / "empty.h", Status::FormatError, 1},
        {test::textOf(dir.path()), Status::CannotOpen, 0},
        {dir / "ok.h", Status::Ok, 0},
    };
#ifdef _WIN32
    cases.emplace_back("NUL", Status::FormatError, 0);
#else
    ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0);
    cases.emplace_back(dir / "pipe", Status::FormatError, 0);
    cases.emplace_back("/dev/zero", Status::FormatError, 0);
#endif
    for (const auto& [path, status, line] : cases) {
        const ListReadResult result = readListFile(path);
        EXPECT_EQ(result.status, status) << path;
        EXPECT_EQ(result.errorLine, line) << path;
    }
    EntryList back;
    back.appendEntries(readListFile(dir / "ok.h").rows);
    EXPECT_TRUE(listFileText(back) == listFileText(many)) << "the rows read differ";
}

// Which names a list file carries, and how any name shows in a message.
TEST(FileNames, CarriedAndShown) {
    // clang-format off
    const std::tuple<std::string, bool, std::string> names[] = {
        {"/res/logo.bin", true, "/res/logo.bin"}, {"", false, "\"\""},
        {"/res/图片 \"1\", 2.jpg", true, "/res/图片 \"1\", 2.jpg"},
        {"/a\nb", false, "/a\\nb"}, {"/a\rb\t", false, "/a\\rb\\t"},
        {"/a\xFF\xC3\x28\xED\xA0\x80" "b", false, "/a\\xFF\\xC3(\\xED\\xA0\\x80b"},
        {"/overlong\xC0\xAF", false, "/overlong\\xC0\\xAF"}, {"/cut\xE5\x9B", false, "/cut\\xE5\\x9B"},
        {"/max\xF4\x8F\xBF\xBF", true, "/max\xF4\x8F\xBF\xBF"},
        {"/past\xF4\x90\x80\x80", false, "/past\\xF4\\x90\\x80\\x80"},
        {"/surrogate\xED\xBF\xBF", false, "/surrogate\\xED\\xBF\\xBF"},
        {"/below\xED\x9F\xBF\xC2\x80", true, "/below\xED\x9F\xBF\xC2\x80"},
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
    };
    // clang-format on
    for (const auto& [path, folder, want] : cases) {
        EXPECT_EQ(relativeName(path, folder), want) << path << " from " << folder;
    }
    for (const char* absolute :
         {"/a", "\\a", "\\\\server\\share\\a", "C:\\a", "c:a", "Z:/a", "A:/a", "z:a", "a:b"}) {
        EXPECT_TRUE(isAbsoluteName(absolute)) << absolute;
        EXPECT_EQ(resolveListedName(absolute, "/lists/"), absolute);
    }
    for (const char* relative : {"a.bin", "../a", "1:a", ":a", "", "@:a", "[:a", "`:a", "{:a"}) {
        EXPECT_FALSE(isAbsoluteName(relative)) << relative;
    }
}

// A list written relative to its folder reads back, from that folder, as
// the same paths ("/" in names is the system's separator); names outside it
// stay absolute.
TEST(ListedNames, RelativeListReadsBackFromItsFolder) {
    EntryList list;
    list.appendEntries(
        std::vector<NewEntry>{{"/p/res/a.bin", 1}, {"/p/b.bin", 2}, {"/q/c.bin", 3}});
    const std::string text = listFileText(list, "/p/lists/");
    EXPECT_NE(text.find("\t1, \"../res/a.bin\", 1, 0;\n\t2, \"../b.bin\", 2, 1;\n"
                        "\t3, \"/q/c.bin\", 3, 3;\n"),
              std::string::npos)
        << text;
    ListReadResult read = parseListFile(text);
    resolveListedNames(read.rows, "/p/lists/saved.h");
    // The list's own folder as the system spells it ("Z:\p\lists\" on Windows).
    const std::string folder = folderPartOf(files::absolutePath("/p/lists/saved.h"));
    const std::string sep(1, files::kSeparator);
    EXPECT_EQ(rowsOf(read), (Rows{{folder + ".." + sep + "res" + sep + "a.bin", 1},
                                  {folder + ".." + sep + "b.bin", 2},
                                  {"/q/c.bin", 3}}));
    EXPECT_EQ(resolveListedName("../a.bin", "/lists"), "/lists" + sep + ".." + sep + "a.bin");
}

} // namespace
} // namespace zd

#include "file_layer.h"
#include "list_file.h"
#include "listed_names.h"

#include <gtest/gtest.h>

namespace zd {
namespace {

using Rows = std::vector<std::pair<std::string, std::uint32_t>>;

const std::string kHeader = "{\n/*\tNo,\tFile Name,\t\tSize,\tAddress\t*/\n\n";
const std::string kRows = "\t1, \"D:\\res\\logo.bin\", 1234, 4096;\n"
                          "\t2, \"D:\\res\\font16.dot\", 5000, 5330;\n";
const Rows kRowsRead{{"D:\\res\\logo.bin", 1234}, {"D:\\res\\font16.dot", 5000}};

TEST(ListFileWriter, WritesTheWorkedExampleAndTheEmptyList) {
    EntryList list;
    list.setFrontOffset(4096);
    list.recomputeLayout();
    list.appendEntries(std::vector<NewEntry>{{"D:\\res\\logo.bin", 1234}, {"D:\\res\\font16.dot", 5000}});
    EXPECT_EQ(listFileText(list), kHeader + kRows + "\n}\n");
    EXPECT_EQ(listFileText(list).size(), 114u);
    EXPECT_EQ(listFileText(EntryList{}), kHeader + "\n}\n");
    EXPECT_EQ(listFileText(EntryList{}).size(), 42u);
}

// Size and address are taken from the end of the line and the name between
// the quotes, so commas in names survive; sizes are unsigned 32-bit.
TEST(ListFileReader, ReadsRowsAndNamesTheFirstBadLine) {
    std::string crlf;
    for (const char c : kHeader + kRows) {
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    }
    const std::pair<std::string, Rows> good[] = {
        {crlf, kRowsRead},
        {"\xEF\xBB\xBF" + kHeader + kRows + "}\n", kRowsRead},
        {kHeader + "\t1, \"/a, b.bin\", 4294967295, 0;\n", {{"/a, b.bin", 4294967295u}}},
        {kHeader + "\t1, </a.bin>, 10, 4096;\n", {{"/a.bin", 10}}}, // no quotes: 2 bytes, name, 1
    };
    for (const auto& [text, rows] : good) {
        const ListReadResult result = parseListFile(text);
        EXPECT_EQ(result.status, ListReadResult::Status::Ok) << text;
        Rows read;
        for (const NewEntry& entry : result.rows) {
            read.emplace_back(entry.path, entry.size);
        }
        EXPECT_EQ(read, rows) << text;
    }
    // The first row must read 1 in a 2-byte number field; a bad line fails
    // the whole file, so nothing is appended from a half-right file.
    const std::pair<std::string, int> bad[] = {
        {kHeader + "\t2, \"/a.bin\", 10, 0;\n", 4},
        {kHeader + "  1, \"/a.bin\", 10, 0;\n", 4},
        {kHeader + kRows + "\t3, \"/b.bin\", abc, 10;\n", 6},
        {kHeader + kRows + "\t3, \"/b.bin\", 4294967296, 10;\n", 6},
    };
    for (const auto& [text, line] : bad) {
        const ListReadResult result = parseListFile(text);
        EXPECT_EQ(result.status, ListReadResult::Status::FormatError) << text;
        EXPECT_EQ(result.errorLine, line) << text;
        EXPECT_TRUE(result.rows.empty()) << text;
    }
}

// Addresses are kept for verify when every row has one.
TEST(ListFileReader, KeepsTheAddressesOfEveryRowOrNone) {
    EXPECT_EQ(parseListFile(kHeader + kRows).addresses, (std::vector<std::uint32_t>{4096, 5330}));
    EXPECT_TRUE(parseListFile(kHeader + "\t1, \"/a.bin\", 10, x;\n\t2, \"/b.bin\", 5, 10;\n")
                    .addresses.empty());
    EXPECT_TRUE(parseListFile(kHeader + "\t1, \"/a.bin\", 1234\n").addresses.empty());
}

TEST(ListedNames, RelativeWhereTheFolderIsShared) {
    const std::pair<std::pair<const char*, const char*>, const char*> cases[] = {
        {{"/p/res/logo.bin", "/p/res/"}, "logo.bin"},
        {{"/p/res/logo.bin", "/p/res"}, "logo.bin"},
        {{"/p/res/img/a.bin", "/p/"}, "res/img/a.bin"},
        {{"/p/res/a.bin", "/p/out/lists/"}, "../../res/a.bin"},
        {{"/p//res/./a.bin", "/p/out"}, "../res/./a.bin"},
        {{"/usr/a.bin", "/p/out/"}, "/usr/a.bin"}, // nothing shared below the root
        {{"/a.bin", "/"}, "/a.bin"},
        {{"/p/../a.bin", "/p/"}, "/p/../a.bin"}, // ".." cannot be followed by text
        {{"/p/a.bin", "/p/x/../"}, "/p/a.bin"},
        {{"/p", "/p/"}, "/p"},               // the folder itself is not a file
        {{"res/a.bin", "/p/"}, "res/a.bin"}, // already relative
        {{"D:\\res\\a.bin", "/p/"}, "D:\\res\\a.bin"},
        {{"/p/res/a.bin", "p/"}, "/p/res/a.bin"}, // a folder that is not absolute
    };
    for (const auto& [input, want] : cases) {
        EXPECT_EQ(relativeName(input.first, input.second), want)
            << input.first << " from " << input.second;
    }
    for (const char* absolute :
         {"/a", "\\a", "\\\\server\\share\\a", "C:\\a", "c:a", "Z:/a", "A:/a", "z:a", "a:b"}) {
        EXPECT_TRUE(isAbsoluteName(absolute)) << absolute;
        EXPECT_EQ(resolveListedName(absolute, "/lists/"), absolute);
    }
    for (const char* relative : {"a.bin", "../a", "1:a", ":a", "", "@:a", "[:a", "`:a", "{:a"}) {
        EXPECT_FALSE(isAbsoluteName(relative)) << relative;
    }
    const std::string sep(1, files::kSeparator); // "/" in names is the system's separator
    EXPECT_EQ(resolveListedName("res/a.bin", "/lists/"), "/lists/res" + sep + "a.bin");
    EXPECT_EQ(resolveListedName("../a.bin", "/lists"), "/lists" + sep + ".." + sep + "a.bin");
}

// A list written relative to its folder reads back, from that folder, as
// the same paths; names outside it stay absolute.
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
    std::vector<std::string> paths;
    for (const NewEntry& row : read.rows) {
        paths.push_back(row.path);
    }
    // The list's own folder as the system spells it ("Z:\p\lists\" on Windows).
    const std::string folder = folderPartOf(files::absolutePath("/p/lists/saved.h"));
    const std::string sep(1, files::kSeparator);
    EXPECT_EQ(paths, (std::vector<std::string>{folder + ".." + sep + "res" + sep + "a.bin",
                                               folder + ".." + sep + "b.bin", "/q/c.bin"}));
}

} // namespace
} // namespace zd

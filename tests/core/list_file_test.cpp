#include "list_file.h"

#include "test_files.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace zd {
namespace {

using Status = ListReadResult::Status;
using Rows = std::vector<std::pair<std::string, std::uint32_t>>;

const std::string kHeader = "{\n/*\tNo,\tFile Name,\t\tSize,\tAddress\t*/\n\n";
// Names as a Windows machine writes them: the writer must not touch them.
const std::string kWorkedExample = kHeader +
                                   "\t1, \"D:\\res\\logo.bin\", 1234, 4096;\n"
                                   "\t2, \"D:\\res\\font16.dot\", 5000, 5330;\n"
                                   "\n}\n";
const Rows kWorkedExampleRows{{"D:\\res\\logo.bin", 1234}, {"D:\\res\\font16.dot", 5000}};

Rows rowsOf(const ListReadResult& result) {
    Rows rows;
    for (const NewEntry& entry : result.rows) {
        rows.emplace_back(entry.path, entry.size);
    }
    return rows;
}

TEST(ListFileWriter, WritesTheWorkedExampleAndTheEmptyList) {
    EntryList list;
    list.setFrontOffset(4096);
    list.recomputeLayout();
    list.appendEntries(std::vector<NewEntry>{{"D:\\res\\logo.bin", 1234}, {"D:\\res\\font16.dot", 5000}});
    EXPECT_EQ(listFileText(list), kWorkedExample);
    EXPECT_EQ(kWorkedExample.size(), 114u);
    EXPECT_EQ(listFileText(EntryList{}), kHeader + "\n}\n");
    EXPECT_EQ(listFileText(EntryList{}).size(), 42u);
}

TEST(ListFileReader, ReadsWhatTheWriterWritesAndWhatMayVary) {
    std::string crlf;
    for (const char c : std::string(kWorkedExample)) {
        crlf += c == '\n' ? "\r\n" : std::string(1, c);
    }
    const std::string oddHeader = "\t7, \"/not/a/row\", 1, 0;\nline two\n\t8, \"/no\", 2, 0;\n";
    const std::pair<std::string, Rows> cases[] = {
        {kWorkedExample, kWorkedExampleRows},
        {crlf, kWorkedExampleRows},
        {"\xEF\xBB\xBF" + kWorkedExample, kWorkedExampleRows},
        {kHeader + "\n}\n", {}},
        // Lines 1 to 3 are skipped whatever they hold; lines of 10 bytes or
        // fewer are skipped; the row number is read only on the first row.
        {oddHeader + "\t1, \"/a.bin\", 10, 0;\n}}}\n\t1, \"a\", 1\n\t9, \"/b.bin\", 20, 10;\n",
         {{"/a.bin", 10}, {"/b.bin", 20}}},
        {kHeader + " 1, \"a\", 1;\n\t2, \"/c.bin\", 30, 0;", {{"a", 1}, {"/c.bin", 30}}},
    };
    for (const auto& [text, rows] : cases) {
        SCOPED_TRACE(text);
        const ListReadResult result = parseListFile(text);
        EXPECT_EQ(result.status, Status::Ok);
        EXPECT_EQ(rowsOf(result), rows);
    }
}

// A line that cannot be read fails the whole file, naming its line, so
// nothing is appended from a file that is only half right.
TEST(ListFileReader, AnUnreadableLineIsAFormatErrorWithItsLineNumber) {
    const std::string row1 = "\t1, \"/a.bin\", 10, 0;\n";
    const std::string row3 = "\n\t3, \"/c.bin\", 30, 30;\n";
    std::string cutHeader = kWorkedExample; // the first row falls into line 3
    cutHeader.erase(cutHeader.find("*/\n") + 3, 1);
    const std::pair<std::string, int> cases[] = {
        // The first row must be number 1 in a 2-byte field.
        {kHeader + "\t2" + row1.substr(2), 4},
        {kHeader + "  1" + row1.substr(2), 4},
        {kHeader + "1" + row1.substr(2), 4},
        {kHeader + "\t0" + row1.substr(2), 4},
        {cutHeader, 4},
        {kHeader + row1 + "\t2, \"/b.bin\", abc, 10;" + row3, 5},
        {kHeader + row1 + "\t2, \"/b.bin\", , 10;" + row3, 5},
        {kHeader + row1 + "\t2, \"/b.bin\", 4294967296, 10;" + row3, 5},
        {kHeader + row1 + "\t2, \"/b.bin\"  no size here" + row3, 5},
        {kHeader + row1 + "\t2, x, 12345678, 10;" + row3, 5},
        {kHeader + row1 + "\t2, \"\", 12345678, 10;" + row3, 5},
        {kHeader + row1 + "\t2, \"/b\xFF.bin\", 20, 10;" + row3, 5},
        {kHeader + row1 + "\t2, \"/b\xC0\xAF.bin\", 20, 10;" + row3, 5},
    };
    for (const auto& [text, line] : cases) {
        SCOPED_TRACE(text);
        const ListReadResult result = parseListFile(text);
        EXPECT_EQ(result.status, Status::FormatError);
        EXPECT_EQ(result.errorLine, line);
        EXPECT_TRUE(result.rows.empty());
    }
}

// Names with commas or quotes and sizes past 2147483647 come back unchanged;
// an earlier, longer file is replaced whole.
TEST(ListFile, RoundTripThroughTheDisk) {
    EntryList written;
    written.setFrontOffset(77);
    written.recomputeLayout();
    written.appendEntries(std::vector<NewEntry>{
        {"/data/a, b, and c.bin", 3},
        {"/资源/字库 16点阵.dot", 4294967295u},
        {"/data/say \"hi\".jpg", 3221225472u},
        {"/data/0", 0},
        {"/" + std::string(1000, 'p') + "/long.bin", 5},
    });
    test::TempDir dir;
    const std::string path = dir / "list.h";
    test::writeFile(path, std::string(5000, 'x'));
    ASSERT_FALSE(writeListFile(path, written));
    EXPECT_EQ(test::namesIn(dir.path()), std::vector<std::string>{"list.h"});

    const ListReadResult read = readListFile(path);
    ASSERT_EQ(read.status, Status::Ok) << read.reason << " line " << read.errorLine;
    EntryList rebuilt;
    rebuilt.setFrontOffset(77);
    rebuilt.recomputeLayout();
    rebuilt.appendEntries(read.rows);
    EXPECT_EQ(listFileText(rebuilt), test::readFile(path));
    EXPECT_EQ(rebuilt.cellText(2, Column::Size), "3221225472");
}

TEST(ListFileReader, AFileThatCannotBeReadIsCannotOpen) {
    test::TempDir dir;
    std::filesystem::create_directory(dir / "folder.h");
    ASSERT_EQ(::mkfifo((dir / "pipe.h").c_str(), 0600), 0); // must not hang
    for (const std::string name : {"missing.h", "folder.h", "pipe.h"}) {
        const ListReadResult result = readListFile(dir / name);
        EXPECT_EQ(result.status, Status::CannotOpen) << name;
        EXPECT_TRUE(result.rows.empty());
    }
}

} // namespace
} // namespace zd

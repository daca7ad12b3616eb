#include "list_file.h"

#include "test_files.h"

#include <gtest/gtest.h>

#include <string>
#include <sys/stat.h>
#include <vector>

namespace zd {
namespace {

using test::readFile;
using test::TempDir;
using test::writeFile;

constexpr const char* kHeader = "{\n/*\tNo,\tFile Name,\t\tSize,\tAddress\t*/\n\n";

// Front offset 4096 with two entries of 1234 and 5000 bytes, named as a
// Windows machine names them: the writer must not touch the names.
EntryList workedExample() {
    EntryList list;
    list.setFrontOffset(4096);
    list.recomputeLayout();
    list.appendEntry("D:\\res\\logo.bin", 1234, ".bin");
    list.appendEntry("D:\\res\\font16.dot", 5000, ".dot");
    return list;
}

const std::string kWorkedExampleText = std::string(kHeader) +
                                       "\t1, \"D:\\res\\logo.bin\", 1234, 4096;\n"
                                       "\t2, \"D:\\res\\font16.dot\", 5000, 5330;\n"
                                       "\n}\n";

struct Row {
    std::string path;
    std::uint32_t size;
    bool operator==(const Row&) const = default;
};

std::vector<Row> rowsOf(const ListReadResult& result) {
    std::vector<Row> rows;
    for (const NewEntry& entry : result.rows) {
        rows.push_back({entry.path, entry.size});
    }
    return rows;
}

const std::vector<Row> kWorkedExampleRows{{"D:\\res\\logo.bin", 1234}, {"D:\\res\\font16.dot", 5000}};

std::string replaceAll(std::string text, const std::string& from, const std::string& to) {
    for (auto at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
    return text;
}

TEST(ListFileWriter, WritesTheWorkedExampleByteForByte) {
    const std::string text = listFileText(workedExample());
    EXPECT_EQ(text.size(), 114u);
    EXPECT_EQ(text, kWorkedExampleText);

    const std::string empty = listFileText(EntryList{});
    EXPECT_EQ(empty.size(), 42u);
    EXPECT_EQ(empty, std::string(kHeader) + "\n}\n");
}

TEST(ListFileWriter, WritesTheFileAndReplacesAnEarlierOne) {
    TempDir dir;
    const std::string path = dir / "img.h";
    writeFile(path, "an earlier list file that is longer than the new one ........................."
                    "...........................................................................");
    ASSERT_FALSE(writeListFile(path, workedExample()));
    EXPECT_EQ(readFile(path), kWorkedExampleText);
    EXPECT_EQ(test::namesIn(dir.path()), std::vector<std::string>{"img.h"});
}

TEST(ListFileReader, ReadsTheWorkedExample) {
    const ListReadResult result = parseListFile(kWorkedExampleText);
    ASSERT_EQ(result.status, ListReadResult::Status::Ok);
    EXPECT_EQ(rowsOf(result), kWorkedExampleRows);

    const ListReadResult empty = parseListFile(listFileText(EntryList{}));
    EXPECT_EQ(empty.status, ListReadResult::Status::Ok);
    EXPECT_TRUE(empty.rows.empty());
}

TEST(ListFileReader, SkipsTheFirstThreeLinesAndShortLines) {
    // Lines 1 to 3 are skipped whatever they hold, even row-like text.
    const std::string oddHeader = "\t7, \"/not/a/row\", 1, 0;\n"
                                  "anything at all in line two\n"
                                  "\t8, \"/not/a/row/either\", 2, 0;\n";
    const std::string rowLines = "\t1, \"/a.bin\", 10, 0;\n"
                                 "}}}\n"          // short: skipped
                                 "\t1, \"a\", 1\n" // exactly 10 bytes: skipped
                                 "\t9, \"/b.bin\", 20, 10;\n";
    const ListReadResult result = parseListFile(oddHeader + rowLines);
    ASSERT_EQ(result.status, ListReadResult::Status::Ok);
    EXPECT_EQ(rowsOf(result), (std::vector<Row>{{"/a.bin", 10}, {"/b.bin", 20}}));

    // With an 11th byte the same line is a row line.
    const ListReadResult longer =
        parseListFile(std::string(kHeader) + "\t1, \"a\", 1;\n\t2, \"/b\", 2;\n");
    EXPECT_EQ(rowsOf(longer), (std::vector<Row>{{"a", 1}, {"/b", 2}}));

    // A last line without a line feed is read all the same.
    const ListReadResult unterminated = parseListFile(std::string(kHeader) + "\t1, \"/c.bin\", 30, 0;");
    EXPECT_EQ(rowsOf(unterminated), (std::vector<Row>{{"/c.bin", 30}}));
}

TEST(ListFileReader, TheFirstRowMustBeNumberOneInATwoByteField) {
    const auto firstRow = [](const std::string& number) {
        return parseListFile(std::string(kHeader) + number + ", \"/a.bin\", 10, 0;\n" +
                             "\t2, \"/b.bin\", 20, 10;\n");
    };
    EXPECT_EQ(firstRow("\t1").status, ListReadResult::Status::Ok);
    EXPECT_EQ(firstRow(" 1").status, ListReadResult::Status::Ok);
    for (const char* bad : {"\t2", "  1", "1", "\tx", "\t0"}) {
        const ListReadResult result = firstRow(bad);
        EXPECT_EQ(result.status, ListReadResult::Status::FormatError) << bad;
        EXPECT_EQ(result.errorLine, 4) << bad;
        EXPECT_TRUE(result.rows.empty()) << bad;
    }

    // Header cut to two lines: the first row falls into the skipped line 3,
    // the second becomes the first row line and its number 2 is refused.
    std::string cut = kWorkedExampleText;
    cut.erase(cut.find("*/\n") + 3, 1);
    const ListReadResult result = parseListFile(cut);
    EXPECT_EQ(result.status, ListReadResult::Status::FormatError);
    EXPECT_EQ(result.errorLine, 4);
    EXPECT_TRUE(result.rows.empty());
}

TEST(ListFileReader, CarriageReturnsAndAByteOrderMarkChangeNothing) {
    const ListReadResult crlf = parseListFile(replaceAll(kWorkedExampleText, "\n", "\r\n"));
    ASSERT_EQ(crlf.status, ListReadResult::Status::Ok);
    EXPECT_EQ(rowsOf(crlf), kWorkedExampleRows);

    const ListReadResult bom = parseListFile("\xEF\xBB\xBF" + kWorkedExampleText);
    ASSERT_EQ(bom.status, ListReadResult::Status::Ok);
    EXPECT_EQ(rowsOf(bom), kWorkedExampleRows);
}

// Names with commas or quotes and sizes past 2147483647 are written as they
// are; the reader must give them back unchanged.
TEST(ListFileReader, RoundTripGivesTheSameRows) {
    EntryList written;
    written.setFrontOffset(77);
    written.recomputeLayout();
    written.appendEntries(std::vector<NewEntry>{
        {"/data/a, b, and c.bin", 3},
        {"/资源/字库 16点阵.dot", 4294967295u},
        {"/data/say \"hi\".jpg", 3221225472u},
        {"/data/0", 0},
        {"D:\\res\\logo.bin", 1234},
        {"/" + std::string(1000, 'p') + "/long.bin", 5}, // names are never cut
    });
    TempDir dir;
    const std::string path = dir / "list.h";
    ASSERT_FALSE(writeListFile(path, written));

    const ListReadResult read = readListFile(path);
    ASSERT_EQ(read.status, ListReadResult::Status::Ok) << read.reason << " line " << read.errorLine;
    EntryList rebuilt;
    rebuilt.setFrontOffset(77);
    rebuilt.recomputeLayout();
    rebuilt.appendEntries(read.rows);
    ASSERT_EQ(rebuilt.rowCount(), written.rowCount());
    for (int row = 0; row < written.rowCount(); ++row) {
        for (int column = 0; column < kColumnCount; ++column) {
            EXPECT_EQ(rebuilt.cellText(row, static_cast<Column>(column)),
                      written.cellText(row, static_cast<Column>(column)))
                << "row " << row << " column " << column;
        }
    }
    EXPECT_EQ(listFileText(rebuilt), readFile(path));
}

// A line that cannot be read fails the whole file, so nothing is appended
// from a file that is only half right.
TEST(ListFileReader, AnUnreadableLineIsAFormatErrorWithItsLineNumber) {
    const std::string good = std::string(kHeader) + "\t1, \"/a.bin\", 10, 0;\n";
    const std::vector<std::string> badLines{
        "\t2, \"/b.bin\", abc, 10;",       // no digits in the size
        "\t2, \"/b.bin\", , 10;",          // empty size
        "\t2, \"/b.bin\", 4294967296, 10;", // past 32 bits
        "\t2, \"/b.bin\"  no size here",   // no size at all
        "\t2, x, 12345678, 10;",           // name field too short
        "\t2, \"\", 12345678, 10;",        // empty name
        "\t2, \"/b\xFF.bin\", 20, 10;",     // invalid UTF-8
        "\t2, \"/b\xC0\xAF.bin\", 20, 10;", // overlong encoding
        "\t2 \"/b.bin\" 20 10 no commas",
    };
    for (const std::string& bad : badLines) {
        const ListReadResult result = parseListFile(good + bad + "\n\t3, \"/c.bin\", 30, 30;\n");
        EXPECT_EQ(result.status, ListReadResult::Status::FormatError) << bad;
        EXPECT_EQ(result.errorLine, 5) << bad;
        EXPECT_TRUE(result.rows.empty()) << bad;
        EXPECT_FALSE(result.reason.empty()) << bad;
    }
}

TEST(ListFileReader, AFileThatCannotBeReadIsCannotOpen) {
    TempDir dir;
    const ListReadResult missing = readListFile(dir / "missing.h");
    EXPECT_EQ(missing.status, ListReadResult::Status::CannotOpen);
    EXPECT_TRUE(missing.error);

    std::filesystem::create_directory(dir / "folder.h");
    const ListReadResult folder = readListFile(dir / "folder.h");
    EXPECT_EQ(folder.status, ListReadResult::Status::CannotOpen);
    EXPECT_TRUE(folder.error);
    EXPECT_TRUE(folder.rows.empty());

    // A pipe with no writer must not hang the reader.
    ASSERT_EQ(::mkfifo((dir / "pipe.h").c_str(), 0600), 0);
    EXPECT_EQ(readListFile(dir / "pipe.h").status, ListReadResult::Status::CannotOpen);
}

} // namespace
} // namespace zd

#include "list_file.h"

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

} // namespace
} // namespace zd

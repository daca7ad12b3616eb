#include "app_fixture.h"

namespace zd::app::test {
namespace {

using ImportList = AppTest;
using Strings = std::vector<std::string>;

const std::string kHeader = "{\n/*\tNo,\tFile Name,\t\tSize,\tAddress\t*/\n\n";
const std::string kRows = "\t1, \"/res/logo.bin\", 1234, 4096;\n"
                          "\t2, \"/res/font16.dot\", 5000, 5330;\n";
const std::string kFooter = "\n}\n";

TEST_F(ImportList, RowsContinueFromTheCurrentLayoutNotFromTheFile) {
    const std::string file = dir / "saved.h";
    zd::test::writeFile(file, kHeader + kRows + kFooter);
    setOffset(4096);
    port.openResults = {{file}};
    ASSERT_TRUE(click(cmd::ImportList));
    ASSERT_EQ(port.openRequests.size(), 1u);
    EXPECT_EQ(port.openRequests[0].title, "选择存档文件");
    ASSERT_EQ(port.openRequests[0].filters.size(), 1u);
    EXPECT_EQ(port.openRequests[0].filters[0].label, "从.h文件导入列表（*.h）");
    EXPECT_EQ(port.openRequests[0].filters[0].patterns, Strings{"*.h"});
    EXPECT_EQ(paths(), (Strings{"/res/logo.bin", "/res/font16.dot"}));
    EXPECT_EQ(addresses(), (Strings{"4096", "5330"}));
    EXPECT_EQ(column(Column::DataFormat), (Strings{".bin", ".dot"}));
    EXPECT_EQ(port.messageTexts(), Strings{"总共添加 2 个文件"});
    EXPECT_EQ(port.displays[Display::FileCount], "2");
    EXPECT_EQ(port.displays[Display::Capacity], "10330");
    EXPECT_EQ(port.buttonChanges, (std::vector<std::pair<int, bool>>{{210, false}, {210, true}}));
    EXPECT_EQ(port.redraws, 1);

    // Imported again, with carriage returns: the rows go on after the others.
    const std::string crlf = dir / "crlf.h";
    std::string text = kHeader + kRows + kFooter;
    for (std::size_t at = 0; (at = text.find('\n', at)) != std::string::npos; at += 2) {
        text.insert(at, "\r");
    }
    zd::test::writeFile(crlf, text);
    port.openResults = {{crlf}};
    click(cmd::ImportList);
    EXPECT_EQ(column(Column::Number), (Strings{"1", "2", "3", "4"}));
    EXPECT_EQ(column(Column::Size), (Strings{"1234", "5000", "1234", "5000"}));
    EXPECT_EQ(addresses(), (Strings{"4096", "5330", "10330", "11564"}));
    EXPECT_EQ(port.displays[Display::Capacity], "16564");
}

TEST_F(ImportList, AfterAnExistingRowAtOffsetZero) {
    const std::string file = dir / "saved.h";
    zd::test::writeFile(file, kHeader + kRows + kFooter);
    addRow("/in/first.bin", 100);
    port.openResults = {{file}};
    click(cmd::ImportList);
    EXPECT_EQ(column(Column::Number), (Strings{"1", "2", "3"}));
    EXPECT_EQ(addresses(), (Strings{"0", "100", "1334"}));

    // Sizes are taken as unsigned 32-bit; the capacity wraps without a word.
    zd::test::writeFile(file, kHeader + "\t1, \"/res/huge.bin\", 4294967295, 0;\n" + kFooter);
    port.openResults = {{file}};
    click(cmd::ImportList);
    EXPECT_EQ(column(Column::Size).back(), "4294967295");
    EXPECT_EQ(addresses().back(), "6334");
    EXPECT_EQ(port.displays[Display::Capacity], "6333");
}

TEST_F(ImportList, UnreadableLinesAddNothing) {
    const Strings badFiles = {
        kHeader + "\t2, \"/res/logo.bin\", 1234, 4096;\n" + kFooter, // first row not 1
        kHeader + "  1, \"/res/logo.bin\", 1234, 4096;\n" + kFooter, // field 1 is 3 bytes
        kHeader + kRows + "\t3, \"/res/x.bin\", many, 0;\n" + kFooter, // no size digits
        kHeader.substr(0, kHeader.size() - 1) + kRows + kFooter, // header cut to two lines
    };
    addRow("/in/kept.bin", 9);
    for (const std::string& content : badFiles) {
        const std::string file = dir / "bad.h";
        zd::test::writeFile(file, content);
        port.openResults = {{file}};
        port.messages.clear();
        click(cmd::ImportList);
        ASSERT_EQ(port.messages.size(), 1u) << content;
        EXPECT_EQ(port.messages[0].text, "格式不对，请确认是否为本软件导出的.h文件？");
        EXPECT_EQ(port.messages[0].caption, "导入失败");
        EXPECT_EQ(port.messages[0].icon, Icon::Error);
        EXPECT_EQ(paths(), Strings{"/in/kept.bin"}) << content;
    }
    EXPECT_TRUE(port.displayWrites.empty());
    EXPECT_EQ(port.enabled[cmd::ImportList], true);
}

TEST_F(ImportList, MissingFileAndEmptyListAndCancel) {
    port.openResults = {{dir / "nothing.h"}, {dir / "empty.h"}, {}};
    click(cmd::ImportList);
    ASSERT_EQ(port.messages.size(), 1u);
    EXPECT_EQ(port.messages[0].text, "打开失败！");
    EXPECT_EQ(port.messages[0].caption, "提示");
    EXPECT_EQ(port.messages[0].icon, Icon::Error);

    zd::test::writeFile(dir / "empty.h", kHeader + kFooter);
    setOffset(4096);
    click(cmd::ImportList);
    EXPECT_EQ(port.messages.back().text, "总共添加 0 个文件");
    EXPECT_EQ(port.displays[Display::Capacity], "4096");

    click(cmd::ImportList);
    EXPECT_EQ(port.messages.size(), 2u);
    EXPECT_EQ(port.redraws, 3); // every way out redraws
}

} // namespace
} // namespace zd::app::test

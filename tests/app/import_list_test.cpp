#include "app_fixture.h"

namespace zd::app::test {
namespace {

using ImportList = AppTest;

const std::string kHeader = "{\n/*\tNo,\tFile Name,\t\tSize,\tAddress\t*/\n\n";
const std::string kRows = "\t1, \"/res/logo.bin\", 1234, 4096;\n\t2, \"/res/font16.dot\", 5000, 5330;\n";
const std::string kFooter = "\n}\n";

// Rows continue from the current layout, not from the addresses in the file.
TEST_F(ImportList, RowsGoAfterExistingRowsAtTheCurrentOffset) {
    zd::test::writeFile(dir / "saved.h", kHeader + kRows + kFooter);
    zd::test::writeFile(dir / "huge.h", kHeader + "\t1, \"/res/huge.bin\", 4294967295, 0;\n" + kFooter);
    port.openResults = {{dir / "saved.h"}, {dir / "saved.h"}, {dir / "huge.h"}};
    setOffset(4096);
    ASSERT_TRUE(click(cmd::ImportList));
    ASSERT_EQ(port.requests.size(), 1u);
    EXPECT_EQ(port.requests[0].title, "选择存档文件");
    ASSERT_EQ(port.requests[0].filters.size(), 1u);
    EXPECT_EQ(port.requests[0].filters[0].label, "从.h文件导入列表（*.h）");
    EXPECT_EQ(port.requests[0].filters[0].patterns, Strings{"*.h"});
    EXPECT_EQ(port.events, (Strings{"button 210 0", "message 总共添加 2 个文件", "display 401 2",
                                    "display 403 10330", "button 210 1", "redraw"}));

    setOffset(100);
    click(cmd::ImportList);
    EXPECT_EQ(paths(), (Strings{"/res/logo.bin", "/res/font16.dot", "/res/logo.bin", "/res/font16.dot"}));
    EXPECT_EQ(column(Column::DataFormat), (Strings{".bin", ".dot", ".bin", ".dot"}));
    EXPECT_EQ(addresses(), (Strings{"100", "1334", "6334", "7568"}));

    // Sizes are unsigned 32-bit; the capacity wraps without a word.
    click(cmd::ImportList);
    EXPECT_EQ(column(Column::Size).back(), "4294967295");
    EXPECT_EQ(addresses().back(), "12568");
    EXPECT_EQ(port.displays[Display::Capacity], "12567");
}

TEST_F(ImportList, AFormatErrorOrAMissingFileAddsNothing) {
    zd::test::writeFile(dir / "bad.h", kHeader + kRows + "\t3, \"/res/x.bin\", many, 0;\n" + kFooter);
    zd::test::writeFile(dir / "empty.h", kHeader + kFooter);
    port.openResults = {{dir / "bad.h"}, {dir / "nothing.h"}, {dir / "empty.h"}, {}};
    addRow("/in/kept.bin", 9);
    for (int i = 0; i < 4; ++i) {
        click(cmd::ImportList);
    }
    EXPECT_EQ(port.messages,
              (std::vector<Message>{
                  {"格式不对，请确认是否为本软件导出的.h文件？", "导入失败", Icon::Error, Buttons::Ok},
                  {"打开失败！", "提示", Icon::Error, Buttons::Ok},
                  {"总共添加 0 个文件", "提示", Icon::Information, Buttons::Ok}}));
    EXPECT_EQ(paths(), Strings{"/in/kept.bin"});
    EXPECT_EQ(port.eventsOf("display"), (Strings{"401 1", "403 9"}));
    EXPECT_EQ(port.eventsOf("redraw").size(), 4u); // every way out redraws
    EXPECT_TRUE(port.enabled[cmd::ImportList]);
}

} // namespace
} // namespace zd::app::test

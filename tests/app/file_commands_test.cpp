#include "app_fixture.h"

#include <filesystem>

namespace zd::app::test {
namespace {

using AddingFiles = AppTest;
namespace fs = std::filesystem;

const std::string kNotAdded = "以下文件未能添加：\n\n";

Message counted(int added) {
    return {"总共添加 " + std::to_string(added) + " 个文件", "提示", Icon::Information, Buttons::Ok};
}
Message refused(const std::string& list) { return {kNotAdded + list, "导入失败", Icon::Error, Buttons::Ok}; }

TEST_F(AddingFiles, AddFilesAppendsAfterExistingRowsAndCountsLast) {
    addRow("/in/old1.bin", 100);
    addRow("/in/old2.bin", 200);
    setOffset(4096);
    fs::create_directory(dir / "sub");
    const std::string missing = dir / "missing.bin";
    zd::test::makeSparseFile(dir / "huge.avi", 4294967296u);
    port.openResults = {{makeFile("a.bin", 1000), missing, makeFile("LOGO.BIN", 0), dir / "sub",
                         makeFile("font.old.dot", 30), dir / "huge.avi"}};
    ASSERT_TRUE(click(cmd::AddFiles));

    ASSERT_EQ(port.requests.size(), 1u);
    EXPECT_EQ(port.requests[0].title, "选择导入文件（多选）");
    EXPECT_TRUE(port.requests[0].multiple);
    const std::vector<std::pair<std::string, Strings>> filters = {
        {"BIN 文件（*.bin）", {"*.bin"}},        {"DOT 字库文件（*.dot）", {"*.dot"}},
        {"JPG 文件（*.jpg,*.jpeg）", {"*.jpg", "*.jpeg"}}, {"AVI 文件（*.avi）", {"*.avi"}},
        {"所有文件（*.*）", {"*"}}};
    ASSERT_EQ(port.requests[0].filters.size(), filters.size());
    for (std::size_t i = 0; i < filters.size(); ++i) {
        EXPECT_EQ(port.requests[0].filters[i].label, filters[i].first);
        EXPECT_EQ(port.requests[0].filters[i].patterns, filters[i].second);
    }
    EXPECT_EQ(paths()[2], dir / "a.bin");
    EXPECT_EQ(column(Column::Size), (Strings{"100", "200", "1000", "0", "30"}));
    EXPECT_EQ(addresses(), (Strings{"4096", "4196", "4396", "5396", "5396"}));
    EXPECT_EQ(column(Column::DataFormat), (Strings{".bin", ".bin", ".bin", ".BIN", ".dot"}));
    // Refused files named together, then the count of what was added, then
    // the totals; the button is disabled while running.
    EXPECT_EQ(port.messages, (std::vector<Message>{
                                 refused(missing + "（无法打开）\n" + dir / "sub" + "（不是普通文件）\n" +
                                         dir / "huge.avi" + "（文件不小于4GB，无法合并）"),
                                 counted(3)}));
    EXPECT_EQ(port.events, (Strings{"button 203 0", "message " + port.messages[0].text,
                                    "message 总共添加 3 个文件", "display 401 5", "display 403 5426",
                                    "button 203 1", "redraw"}));
}

TEST_F(AddingFiles, CancelAddsNothingAndRestoresTheButtonAsItWas) {
    port.enabled[cmd::AddFiles] = false;
    port.openResults = {{}};
    click(cmd::AddFiles);
    EXPECT_TRUE(list().empty());
    EXPECT_EQ(port.events, (Strings{"button 203 0", "button 203 0", "redraw"}));
}

TEST_F(AddingFiles, LongRefusalListsAreShortened) {
    Strings chosen;
    for (int i = 0; i < 12; ++i) {
        chosen.push_back(dir / ("gone" + std::to_string(i)));
    }
    port.openResults = {chosen};
    click(cmd::AddFiles);
    std::string named;
    for (int i = 0; i < 10; ++i) {
        named += chosen[i] + "（无法打开）\n";
    }
    EXPECT_EQ(port.messages, (std::vector<Message>{refused(named + "……另有 2 个未能添加"), counted(0)}));
}

// The picked file's folder, one level, hidden files included, sorted.
TEST_F(AddingFiles, FolderImportTakesThePickedFilesFolder) {
    addRow("/in/first.bin", 100);
    fs::create_directories(dir / "img/old");
    makeFile("img/old/inner.bin", 5);
    makeFile("img/logo.bin", 10);
    makeFile("img/Font.dot", 20);
    makeFile("img/.notes", 30);
    port.openResults = {{dir / "img/logo.bin"}, {}};
    ASSERT_TRUE(click(cmd::FolderImport));
    ASSERT_EQ(port.requests.size(), 1u);
    EXPECT_EQ(port.requests[0].title, "选择任一文件即导入当前文件夹所有文件");
    EXPECT_FALSE(port.requests[0].multiple);
    ASSERT_EQ(port.requests[0].filters.size(), 1u);
    EXPECT_EQ(port.requests[0].filters[0].label, "所有文件（*.*）");
    EXPECT_EQ(paths(), (Strings{"/in/first.bin", dir / "img/.notes", dir / "img/Font.dot",
                                dir / "img/logo.bin"}));
    EXPECT_EQ(addresses(), (Strings{"0", "100", "130", "150"}));
    EXPECT_EQ(port.messages, std::vector<Message>{counted(3)});
    EXPECT_EQ(port.eventsOf("display"), (Strings{"401 4", "403 160"}));
    EXPECT_TRUE(port.eventsOf("button").empty());

    click(cmd::FolderImport); // cancelled: nothing at all
    EXPECT_EQ(list().rowCount(), 4);
    EXPECT_EQ(port.messages.size(), 1u);

    // A folder that cannot be listed is named, and nothing is added.
    port.openResults = {{dir / "gone/x.bin"}};
    click(cmd::FolderImport);
    EXPECT_EQ(list().rowCount(), 4);
    EXPECT_EQ(port.messages.back(), refused(dir / "gone/" + "（无法读取该文件夹）"));
    EXPECT_EQ(port.eventsOf("display").size(), 2u);
}

TEST_F(AddingFiles, DropAddsFilesAndExpandedFoldersWithOneCount) {
    fs::create_directory(dir / "set");
    makeFile("set/b.bin", 2);
    makeFile("set/a.bin", 1);
    setOffset(8);
    commands.onDrop({makeFile("z.jpg", 4), dir / "set", dir / "missing.dot"});
    EXPECT_EQ(paths(), (Strings{dir / "z.jpg", dir / "set/a.bin", dir / "set/b.bin"}));
    EXPECT_EQ(addresses(), (Strings{"8", "12", "13"}));
    EXPECT_EQ(port.messages,
              (std::vector<Message>{refused(dir / "missing.dot" + "（无法打开）"), counted(3)}));
    EXPECT_EQ(port.eventsOf("display"), (Strings{"401 3", "403 15"}));
    EXPECT_TRUE(port.requests.empty());
}

} // namespace
} // namespace zd::app::test

#include "app_fixture.h"

#include <algorithm>
#include <filesystem>

namespace zd::app::test {
namespace {

using AddingFiles = AppTest;
using Strings = std::vector<std::string>;

// The count message comes first; the totals are shown only after it is read.
void expectCountThenTotals(const FakePort& port, int added, const std::string& rows,
                           const std::string& capacity) {
    const std::string count = "总共添加 " + std::to_string(added) + " 个文件";
    const auto at = std::find(port.events.begin(), port.events.end(), "message " + count);
    ASSERT_NE(at, port.events.end()) << count;
    const Strings after(at + 1, std::min(at + 3, port.events.end()));
    EXPECT_EQ(after, (Strings{"display 401 " + rows, "display 403 " + capacity}));
    EXPECT_EQ(port.messages.back().caption, "提示");
    EXPECT_EQ(port.messages.back().icon, Icon::Information);
}

TEST_F(AddingFiles, AddFilesAppendsAfterExistingRowsWithTheDialogOfTheCommand) {
    addRow("/in/old1.bin", 100);
    addRow("/in/old2.bin", 200);
    setOffset(4096);
    port.openResults = {{makeFile("a.bin", 1000), makeFile("LOGO.BIN", 0),
                         makeFile("font.old.dot", 30)}};
    ASSERT_TRUE(click(cmd::AddFiles));

    ASSERT_EQ(port.openRequests.size(), 1u);
    const FileDialogRequest& request = port.openRequests[0];
    EXPECT_EQ(request.title, "选择导入文件（多选）");
    EXPECT_TRUE(request.multiple);
    const std::vector<std::pair<std::string, Strings>> filters = {
        {"BIN 文件（*.bin）", {"*.bin"}},
        {"DOT 字库文件（*.dot）", {"*.dot"}},
        {"JPG 文件（*.jpg,*.jpeg）", {"*.jpg", "*.jpeg"}},
        {"AVI 文件（*.avi）", {"*.avi"}},
        {"所有文件（*.*）", {"*"}}};
    ASSERT_EQ(request.filters.size(), filters.size());
    for (std::size_t i = 0; i < filters.size(); ++i) {
        EXPECT_EQ(request.filters[i].label, filters[i].first);
        EXPECT_EQ(request.filters[i].patterns, filters[i].second);
    }

    EXPECT_EQ(column(Column::Number), (Strings{"1", "2", "3", "4", "5"}));
    EXPECT_EQ(paths()[2], dir / "a.bin");
    EXPECT_EQ(column(Column::Size), (Strings{"100", "200", "1000", "0", "30"}));
    EXPECT_EQ(addresses(), (Strings{"4096", "4196", "4396", "5396", "5396"}));
    EXPECT_EQ(column(Column::DataFormat), (Strings{".bin", ".bin", ".bin", ".BIN", ".dot"}));
    EXPECT_EQ(port.messages.size(), 1u);
    expectCountThenTotals(port, 3, "5", "5426");
    // Disabled while running, restored afterwards, then the window redrawn.
    EXPECT_EQ(port.buttonChanges, (std::vector<std::pair<int, bool>>{{203, false}, {203, true}}));
    EXPECT_EQ(port.events.back(), "redraw");
}

TEST_F(AddingFiles, RefusedFilesAreNamedTogetherAndNotCounted) {
    const std::string missing = dir / "missing.bin";
    const std::string folder = dir / "sub";
    std::filesystem::create_directory(folder);
    port.openResults = {{missing, makeFile("ok.bin", 7), folder}};
    click(cmd::AddFiles);
    EXPECT_EQ(paths(), Strings{dir / "ok.bin"});
    ASSERT_EQ(port.messages.size(), 2u);
    EXPECT_EQ(port.messages[0].text, "以下文件未能添加：\n\n" + missing + "（无法打开）\n" +
                                         folder + "（不是普通文件）");
    EXPECT_EQ(port.messages[0].caption, "导入失败");
    EXPECT_EQ(port.messages[0].icon, Icon::Error);
    expectCountThenTotals(port, 1, "1", "7");
}

TEST_F(AddingFiles, CancelAddsNothingAndRestoresTheButtonAsItWas) {
    port.enabled[cmd::AddFiles] = false;
    port.openResults = {{}};
    click(cmd::AddFiles);
    EXPECT_TRUE(list().empty());
    EXPECT_TRUE(port.messages.empty());
    EXPECT_TRUE(port.displayWrites.empty());
    EXPECT_FALSE(port.enabled[cmd::AddFiles]);
    EXPECT_EQ(port.redraws, 1);
}

TEST_F(AddingFiles, FolderImportTakesThePickedFilesFolderWithoutSubfolders) {
    addRow("/in/first.bin", 100);
    std::filesystem::create_directory(dir / "img");
    std::filesystem::create_directory(dir / "img/old");
    makeFile("img/old/inner.bin", 5);
    makeFile("img/logo.bin", 10);
    makeFile("img/Font.dot", 20);
    makeFile("img/.notes", 30);
    port.openResults = {{dir / "img/logo.bin"}};
    ASSERT_TRUE(click(cmd::FolderImport));

    ASSERT_EQ(port.openRequests.size(), 1u);
    EXPECT_EQ(port.openRequests[0].title, "选择任一文件即导入当前文件夹所有文件");
    EXPECT_FALSE(port.openRequests[0].multiple);
    ASSERT_EQ(port.openRequests[0].filters.size(), 1u);
    EXPECT_EQ(port.openRequests[0].filters[0].label, "所有文件（*.*）");
    // Hidden files included, sorted by name, the picked file at its place.
    EXPECT_EQ(paths(), (Strings{"/in/first.bin", dir / "img/.notes", dir / "img/Font.dot",
                                dir / "img/logo.bin"}));
    EXPECT_EQ(addresses(), (Strings{"0", "100", "130", "150"}));
    expectCountThenTotals(port, 3, "4", "160");
    EXPECT_TRUE(port.buttonChanges.empty());

    port.openResults = {{}}; // cancelled: nothing at all
    click(cmd::FolderImport);
    EXPECT_EQ(list().rowCount(), 4);
    EXPECT_EQ(port.messages.size(), 1u);
}

TEST_F(AddingFiles, FolderThatCannotBeListedIsNamedAndAddsNothing) {
    const std::string gone = dir / "gone/";
    port.openResults = {{gone + "x.bin"}};
    click(cmd::FolderImport);
    EXPECT_TRUE(list().empty());
    ASSERT_EQ(port.messages.size(), 1u);
    EXPECT_EQ(port.messages[0].text, "以下文件未能添加：\n\n" + gone + "（无法读取该文件夹）");
    EXPECT_EQ(port.messages[0].icon, Icon::Error);
    EXPECT_TRUE(port.displayWrites.empty());
}

TEST_F(AddingFiles, DropAddsFilesAndExpandedFoldersWithOneCount) {
    std::filesystem::create_directory(dir / "set");
    makeFile("set/b.bin", 2);
    makeFile("set/a.bin", 1);
    const std::string missing = dir / "missing.dot";
    setOffset(8);
    commands.onDrop({makeFile("z.jpg", 4), dir / "set", missing});
    EXPECT_EQ(paths(), (Strings{dir / "z.jpg", dir / "set/a.bin", dir / "set/b.bin"}));
    EXPECT_EQ(addresses(), (Strings{"8", "12", "13"}));
    ASSERT_EQ(port.messages.size(), 2u);
    EXPECT_EQ(port.messages[0].text, "以下文件未能添加：\n\n" + missing + "（无法打开）");
    expectCountThenTotals(port, 3, "3", "15");
    EXPECT_TRUE(port.openRequests.empty());
}

TEST_F(AddingFiles, LongRefusalListsAreShortened) {
    Strings chosen;
    for (int i = 0; i < 12; ++i) {
        chosen.push_back(dir / ("gone" + std::to_string(i)));
    }
    port.openResults = {chosen};
    click(cmd::AddFiles);
    ASSERT_EQ(port.messages.size(), 2u);
    const std::string& text = port.messages[0].text;
    EXPECT_NE(text.find(chosen[9] + "（"), std::string::npos);
    EXPECT_EQ(text.find(chosen[10] + "（"), std::string::npos);
    EXPECT_TRUE(text.ends_with("\n……另有 2 个未能添加")) << text;
    expectCountThenTotals(port, 0, "0", "0");
}

} // namespace
} // namespace zd::app::test

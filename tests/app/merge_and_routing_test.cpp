#include "app_fixture.h"

#include <algorithm>
#include <filesystem>

namespace zd::app::test {
namespace {

using MergeAndRouting = AppTest;

// The log of one merge-save that ends with `message`.
Strings mergeLog(const std::string& message) {
    return {"button 204 off", "save 选择保存位置和文件名称", "end", message, "button 204 on",
            "redraw"};
}

// The report notes the table when the option is on: written, or no room.
TEST_F(MergeAndRouting, MergeSaveReportFollowsTheOptionAndTheRoom) {
    addRows({{makeFile("a.bin", 1234), 1234}, {makeFile("b.dot", 5000), 5000}});
    const std::tuple<std::uint32_t, bool, std::string> variants[] = {
        {4096, true, "\n\n说明：前置空间已添加文件地址与大小信息。"},
        {4096, false, ""},
        {16, true, "\n\n注意：前置保留空间过小，未添加文件地址与大小信息！"},
    };
    for (const auto& [offset, fileInfo, note] : variants) {
        setOffset(offset);
        commands.state().fileInfo = fileInfo;
        port.saves = {dir / "out.bin"};
        ASSERT_TRUE(click(cmd::MergeSave));
        EXPECT_EQ(takeLog(), mergeLog("message 提示|I|Ok|合并成功！成功创建如下文件：\n\n" +
                                      dir / "out.bin" + "\n" + dir / "out.h" + note));
    }
}

// Each refusal is one message naming the file, and nothing is written; view
// result opens the folder even so, and before any save says there is none.
TEST_F(MergeAndRouting, MergeSaveRefusalsWriteNothing) {
    const auto refused = [&](const std::string& name, const std::string& message,
                             Strings created = {}, char icon = 'E') {
        SCOPED_TRACE(message);
        const Strings before = zd::test::namesIn(dir.path());
        created.insert(created.end(), before.begin(), before.end());
        std::sort(created.begin(), created.end());
        port.saves = {dir / name};
        click(cmd::MergeSave);
        EXPECT_EQ(takeLog(), mergeLog(std::string("message 提示|") + icon + "|Ok|" + message));
        EXPECT_EQ(zd::test::namesIn(dir.path()), created);
        list().clear();
    };
    click(cmd::ViewResult);
    EXPECT_EQ(takeLog(), Strings{"message 提示|I|Ok|尚未保存过文件，暂无可查看的输出文件夹。"});
    addRows({{makeFile("in.bin", 5), 5}});
    refused("in", "输出文件不可与输入文件有重复！\n" + dir / "in.bin");
    click(cmd::ViewResult);
    EXPECT_EQ(takeLog(), Strings{"folder " + dir.path().string() + "/"});
    addRows({{dir / "gone.bin", 3}});
    refused("out", dir / "gone.bin" + " 打开失败，请检查！");
    addRows({{makeFile("grow.bin", 20), 10}});
    refused("out", dir / "grow.bin" + " 的大小已改变（列表中记录为 10 字节，实际长度为 20 "
                                      "字节），请重新添加该文件！");
    if (std::filesystem::exists("/proc/self/stat")) { // reports 0 bytes, holds more
        addRows({{"/proc/self/stat", 0}});
        refused("out", "/proc/self/stat 的实际长度无法确定（系统报告的大小与其内容不符），无法合并该文件！");
    }
    addRows({{makeFile("big.bin", 1000), 1000}});
    setOffset(4294967000u);
    refused("out", dir / "big.bin" + " 超出4GB地址范围，无法合并，请减少文件或前置偏移！");
    refused("no/out.bin", "创建.bin文件出错\n请检查该文件是否被占用、只读或者文件名过长！");
    std::filesystem::create_directories(dir / "taken.bin/x");
    refused("taken", "创建.bin文件出错\n请检查该文件是否被占用、只读或者文件名过长！");
    std::filesystem::create_directories(dir / "listed.h/x");
    refused("listed", "创建.h文件出错\n请检查.h文件是否只读或者被占用！");
    if (std::filesystem::exists("/sys/kernel")) { // where nobody, root included, creates files
        port.saves = {"/sys/out"};
        click(cmd::MergeSave);
        EXPECT_EQ(takeLog(), mergeLog("message 提示|E|Ok|无法在文件夹 /sys/ 中创建文件\n"
                                      "请检查该文件夹是否只读或者没有写入权限！"));
    }
    zd::test::writeFile(dir / "kept.bin", "old");
    addRows({{makeFile("in2.bin", 5), 5}});
    port.stopAtCall = port.progressCalls + 1;
    refused("kept", "已停止合并，未生成任何文件。", {}, 'I');
    EXPECT_EQ(zd::test::readFile(dir / "kept.bin"), "old");
}

// A notification other than a click never runs a control command; the menu
// commands run for a shortcut too.
TEST_F(MergeAndRouting, CommandRouting) {
    port.checked = true; // so that the check box command would speak
    for (const int id : {cmd::Delete, cmd::Clear, cmd::AddFiles, cmd::MergeSave, cmd::MoveUp,
                         cmd::MoveDown, cmd::StepUp, cmd::StepDown, cmd::ViewResult,
                         cmd::ImportList, cmd::FileInfo, cmd::ApplyOffset, cmd::FolderImport}) {
        EXPECT_FALSE(commands.onCommand(id, kNotifyShortcut)) << id;
        EXPECT_FALSE(commands.onCommand(id, 0x300)) << id; // an edit's change notice
    }
    for (const int id :
         {cmd::About, cmd::Usage, cmd::RevisionHistory, cmd::LatestVersion, cmd::Exit}) {
        EXPECT_TRUE(commands.onCommand(id, kNotifyShortcut));
    }
    // Every control command would have left a trace here.
    EXPECT_EQ(takeLog(),
              (Strings{"dialog 103", "dialog 129", "dialog 134",
                       "url http://www.example.com/html/2023/software_1106/35.html", "quit"}));
}

// The link's rectangle (562, 445)-(772, 465) counts all four edges as inside.
TEST_F(MergeAndRouting, LinkHoverAndPress) {
    const std::tuple<int, int, bool> points[] = {
        {562, 445, true}, {772, 465, true}, {561, 445, false}, {562, 466, false}};
    const Strings over{"hand", "link", "url http://www.example.com"}, off{"link"};
    for (const auto& [x, y, inside] : points) {
        commands.onMouseMove(x, y);
        EXPECT_EQ(commands.state().linkHot, inside) << x << "," << y;
        commands.onLeftButtonDown(x, y);
        EXPECT_EQ(takeLog(), inside ? over : off);
    }
}

} // namespace
} // namespace zd::app::test

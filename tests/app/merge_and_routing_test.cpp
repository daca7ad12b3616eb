#include "tests/app/app_fixture.h"

#include <filesystem>

namespace zd::app::test {
namespace {

using MergeAndRouting = AppTest;

// The log of one merge-save that ends with `message`.
Strings mergeLog(const std::string& message) {
    return {"button 204 off", "save 选择保存位置和文件名称", "end", message, "button 204 on",
            "redraw"};
}

// The report names both files and, when the table was asked for, whether it
// fit; the image holds the files after the front offset. A cancelled save
// does nothing.
TEST_F(MergeAndRouting, MergeSaveReportsTheFilesAndTheTable) {
    addRows({{makeFile("a.bin", 1234), 1234}, {makeFile("b.dot", 5000), 5000}});
    const std::tuple<std::uint32_t, bool, std::string> variants[] = {
        {4096, true, "\n\n说明：前置空间已添加文件地址与大小信息。"},
        {69632, false, ""},
        {16, true, "\n\n注意：前置保留空间过小，未添加文件地址与大小信息！"},
    };
    for (const auto& [offset, fileInfo, note] : variants) {
        setOffset(offset);
        commands.state().fileInfo = fileInfo;
        port.saves = {dir / "out.bin"};
        ASSERT_TRUE(click(cmd::MergeSave));
        EXPECT_EQ(takeLog(), mergeLog("message 提示|I|Ok|合并成功！成功创建如下文件：\n\n" +
                                      dir / "out.bin" + "\n" + dir / "out.h" + note));
        EXPECT_EQ(std::filesystem::file_size(dir / "out.bin"), offset + 6234u);
    }
    port.saves = {std::nullopt};
    click(cmd::MergeSave);
    EXPECT_EQ(takeLog(), (Strings{"button 204 off", "save 选择保存位置和文件名称", "button 204 on",
                                  "redraw"}));
}

// Each refusal is one message naming the file; view result opens the folder
// even so, and before any save says there is none.
TEST_F(MergeAndRouting, MergeSaveRefusals) {
    const auto refused = [&](const std::string& name, const std::string& message, char icon = 'E') {
        port.saves = {dir / name};
        click(cmd::MergeSave);
        EXPECT_EQ(takeLog(), mergeLog(std::string("message 提示|") + icon + "|Ok|" + message));
        list().clear();
    };
    click(cmd::ViewResult);
    EXPECT_EQ(takeLog(), Strings{"message 提示|I|Ok|尚未保存过文件，暂无可查看的输出文件夹。"});
    addRows({{makeFile("in.bin", 5), 5}});
    refused("in", "输出文件不可与输入文件有重复！\n" + dir / "in.bin");
    addRows({{makeFile("in.h", 5), 5}});
    refused("in", "输出文件不可与输入文件有重复！\n" + dir / "in.h");
    click(cmd::ViewResult);
    EXPECT_EQ(takeLog(), Strings{"folder " + dir / ""});
    port.saves = {dir / "sub/"}; // no file name: no image, but a folder to view
    click(cmd::MergeSave);
    click(cmd::ViewResult);
    const std::string noImage = "创建.bin文件出错\n请检查该文件是否被占用、只读或者文件名过长！";
    EXPECT_EQ(takeLog(), (Strings{"button 204 off", "save 选择保存位置和文件名称",
                                  "message 提示|E|Ok|" + noImage, "button 204 on", "redraw",
                                  "folder " + dir / "sub/"}));
    addRows({{dir / "gone.bin", 3}});
    refused("out", dir / "gone.bin" + " 打开失败，请检查！");
    addRows({{makeFile("grow.bin", 20), 10}});
    refused("out", dir / "grow.bin" + " 的大小已改变（列表中记录为 10 字节，实际长度为 20 "
                                      "字节），请重新添加该文件！");
    if (std::filesystem::exists("/proc/self/stat")) { // reports 0 bytes, holds more
        addRows({{"/proc/self/stat", 0}});
        refused(
            "out",
            "/proc/self/stat 的实际长度无法确定（系统报告的大小与其内容不符），无法合并该文件！");
    }
    addRows({{makeFile("big.bin", 1000), 1000}});
    setOffset(4294967000u);
    refused("out", dir / "big.bin" + " 超出4GB地址范围，无法合并，请减少文件或前置偏移！");
    refused("no/out.bin", noImage);
    std::filesystem::create_directories(dir / "listed.h/x");
    refused("listed", "创建.h文件出错\n请检查.h文件是否只读或者被占用！");
    if (std::filesystem::exists("/sys/kernel")) { // where nobody, root included, creates files
        port.saves = {"/sys/out"};
        click(cmd::MergeSave);
        EXPECT_EQ(takeLog(), mergeLog("message 提示|E|Ok|无法在文件夹 /sys/ 中创建文件\n"
                                      "请检查该文件夹是否只读或者没有写入权限！"));
    }
    addRows({{makeFile("in2.bin", 5), 5}});
    port.stopMerge = true;
    refused("kept", "已停止合并，未生成任何文件。", 'I');
}

// A notification other than a click never runs a control command; the menu
// commands run for a shortcut too.
TEST_F(MergeAndRouting, CommandRouting) {
    port.checked = true; // so that the check box command would speak
    const int controls[] = {cmd::Delete,      cmd::Clear,      cmd::AddFiles, cmd::MergeSave,
                            cmd::MoveUp,      cmd::MoveDown,   cmd::StepUp,   cmd::StepDown,
                            cmd::ViewResult,  cmd::ImportList, cmd::FileInfo, cmd::ApplyOffset,
                            cmd::FolderImport};
    for (const int id : controls) {
        EXPECT_FALSE(commands.onCommand(id, kNotifyShortcut)) << id;
        EXPECT_FALSE(commands.onCommand(id, 0x300)) << id; // an edit's change notice
    }
    EXPECT_TRUE(takeLog().empty()); // no control command ran
    // A click runs each and says so (a window passes on what no command took).
    port.answers = {Answer::No};
    port.opens = {{}, {}, {}};
    port.saves = {std::nullopt};
    for (const int id : controls) {
        EXPECT_TRUE(click(id)) << id;
    }
    takeLog();
    for (const int id :
         {cmd::About, cmd::Usage, cmd::RevisionHistory, cmd::LatestVersion, cmd::Exit}) {
        EXPECT_TRUE(commands.onCommand(id, kNotifyShortcut));
    }
    EXPECT_EQ(takeLog(),
              (Strings{"dialog 103", "dialog 129", "dialog 134",
                       "url http://www.example.com/html/2023/software_1106/35.html", "quit"}));
}

// Every move repaints the link, changed or not; the hand shows and a press
// opens the bare host only over it, all four edges inside.
TEST_F(MergeAndRouting, LinkHoverAndPress) {
    const std::tuple<int, int, bool> points[] = {
        {562, 445, true},  {772, 465, true},  {561, 455, false}, {773, 455, false},
        {600, 444, false}, {600, 466, false}, {100, 200, false}};
    const Strings over{"hand", "link", "url http://www.example.com"}, off{"link"};
    for (const auto& [x, y, inside] : points) {
        commands.onMouseMove(x, y);
        EXPECT_EQ(commands.state().linkHot, inside) << x << "," << y;
        commands.onLeftButtonDown(x, y);
        EXPECT_EQ(takeLog(), inside ? over : off) << x << "," << y;
    }
}

} // namespace
} // namespace zd::app::test

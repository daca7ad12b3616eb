#include "app_fixture.h"

#include <filesystem>

namespace zd::app::test {
namespace {

using MergeSave = AppTest;
namespace fs = std::filesystem;

const std::string kOk = "合并成功！成功创建如下文件：\n\n";
const std::string kRoomNote = "\n\n注意：前置保留空间过小，未添加文件地址与大小信息！";
const std::string kTableNote = "\n\n说明：前置空间已添加文件地址与大小信息。";

// The report notes the table when it was written and the lack of room when
// it was asked for; the image files follow the confirmed name.
TEST_F(MergeSave, ReportFollowsTheOptionAndTheRoom) {
    addRow(makeFile("a.bin", 1234), 1234);
    addRow(makeFile("b.dot", 5000), 5000);
    struct Variant {
        std::uint32_t offset;
        bool fileInfo;
        std::string confirmed;
        std::string stem;
        std::string note;
    };
    const Variant variants[] = {
        {4096, true, "out.bin", "out", kTableNote}, {4096, false, "out", "out", ""},
        {16, true, "out.h", "out", kRoomNote},      {17, true, "img.Bin", "img.Bin", kTableNote},
        {0, true, "x.hex", "x", kRoomNote},
    };
    for (const Variant& v : variants) {
        SCOPED_TRACE(v.offset);
        setOffset(v.offset);
        commands.state().fileInfo = v.fileInfo;
        port.messages.clear();
        port.saveResults = {dir / v.confirmed};
        ASSERT_TRUE(click(cmd::MergeSave));
        const std::string image = dir / (v.stem + ".bin");
        EXPECT_EQ(port.messages, (std::vector<Message>{{kOk + image + "\n" + dir / (v.stem + ".h") + v.note,
                                                        "提示", Icon::Information, Buttons::Ok}}));
        EXPECT_EQ(zd::test::readFile(image).size(), v.offset + 6234u);
    }
    // The option reaches the image: the front area holds the table.
    EXPECT_EQ(zd::test::readFile(dir / "img.Bin.bin").substr(0, 8),
              std::string("\x11\0\0\0\xD2\x04\0\0", 8));
    EXPECT_EQ(zd::test::readFile(dir / "out.bin").substr(0, 4), std::string("\xFF\xFF\xFF\xFF"));
    EXPECT_EQ(commands.state().outputFolder, dir.path().string() + "/");
    EXPECT_EQ(port.requests[0].title, "选择保存位置和文件名称");
    ASSERT_EQ(port.requests[0].filters.size(), 1u);
    EXPECT_EQ(port.requests[0].filters[0].label, "BIN 文件（*.bin）");
    EXPECT_EQ(port.requests[0].filters[0].patterns, Strings{"*.bin"});
    const Strings oneMerge{"button 204 0", "end", "message " + port.messages[0].text, "button 204 1",
                           "redraw"};
    EXPECT_EQ(Strings(port.events.end() - 5, port.events.end()), oneMerge);
}

TEST_F(MergeSave, EveryRefusalIsNamedAndWritesNothing) {
    // One merge to `saveName`: one message, and on disk only the `created`
    // names besides what was there.
    const auto expectRefused = [&](const std::string& saveName, const std::string& message,
                                   Strings created = {}, Icon icon = Icon::Error) {
        SCOPED_TRACE(message);
        Strings expected = zd::test::namesIn(dir.path());
        expected.insert(expected.end(), created.begin(), created.end());
        std::sort(expected.begin(), expected.end());
        port.messages.clear();
        port.events.clear();
        port.saveResults = {dir / saveName};
        click(cmd::MergeSave);
        EXPECT_EQ(port.messages, (std::vector<Message>{{message, "提示", icon, Buttons::Ok}}));
        EXPECT_EQ(port.eventsOf("end").size(), 1u);
        EXPECT_EQ(zd::test::namesIn(dir.path()), expected);
        list().clear();
    };
    addRow(makeFile("in.bin", 5), 5);
    expectRefused("in", "输出文件不可与输入文件有重复！\n" + dir / "in.bin");
    addRow(makeFile("in.h", 5), 5);
    expectRefused("in.bin", "输出文件不可与输入文件有重复！\n" + dir / "in.h");
    addRow(dir / "gone.bin", 3);
    expectRefused("out", dir / "gone.bin" + " 打开失败，请检查！");
    addRow(makeFile("grow.bin", 20), 10);
    expectRefused("out", dir / "grow.bin" +
                             " 的大小已改变（列表中为 10 字节，现为 20 字节），请重新添加该文件！");
    addRow(makeFile("big.bin", 1000), 1000);
    setOffset(4294967000u);
    expectRefused("out", dir / "big.bin" + " 超出4GB地址范围，无法合并，请减少文件或前置偏移！");
    expectRefused("nofolder/out.bin", "创建.bin文件出错\n请检查该文件是否被占用、只读或者文件名过长！");
    fs::create_directories(dir / "taken.bin/x");
    expectRefused("taken", "创建失败，请检查输入与输出文件。");
    fs::create_directories(dir / "listed.h/x");
    expectRefused("listed", "创建.bin文件成功\n创建.h文件出错\n请检查.h文件是否只读或者被占用！",
                  {"listed.bin"});
    zd::test::writeFile(dir / "kept.bin", "old");
    port.stopAtProgressCall = port.progressCalls + 1;
    expectRefused("kept", "已停止合并，未生成任何文件。", {}, Icon::Information);
    EXPECT_EQ(zd::test::readFile(dir / "kept.bin"), "old");
}

TEST_F(MergeSave, ViewResultOpensTheLastConfirmedFolder) {
    click(cmd::ViewResult);
    EXPECT_EQ(port.messages, (std::vector<Message>{{"尚未保存过文件，暂无可查看的输出文件夹。", "提示",
                                                    Icon::Information, Buttons::Ok}}));
    port.saveResults = {std::nullopt};
    click(cmd::MergeSave); // cancelled: no folder, no progress
    EXPECT_TRUE(commands.state().outputFolder.empty());
    EXPECT_TRUE(port.eventsOf("end").empty());

    // A save refused at the duplicate check still sets the folder.
    fs::create_directory(dir / "sub");
    addRow(makeFile("sub/in.bin", 1), 1);
    port.saveResults = {dir / "sub/in.bin"};
    click(cmd::MergeSave);
    click(cmd::ViewResult);
    EXPECT_EQ(port.eventsOf("folder"), Strings{dir / "sub/"});
}

} // namespace
} // namespace zd::app::test

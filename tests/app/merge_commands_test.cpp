#include "app_fixture.h"

#include <filesystem>

namespace zd::app::test {
namespace {

using MergeSave = AppTest;
using Strings = std::vector<std::string>;

const std::string kOk = "合并成功！成功创建如下文件：\n\n";
const std::string kRoomNote = "\n\n注意：前置保留空间过小，未添加文件地址与大小信息！";
const std::string kTableNote = "\n\n说明：前置空间已添加文件地址与大小信息。";

std::string le32(std::uint32_t v) {
    return {static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16),
            static_cast<char>(v >> 24)};
}

TEST_F(MergeSave, ImageFrontAreaAndReportFollowTheOptionAndTheRoom) {
    const std::string a = makeFile("a.bin", 1234, 1);
    const std::string b = makeFile("b.dot", 5000, 2);
    const std::string content = zd::test::readFile(a) + zd::test::readFile(b);
    addRow(a, 1234);
    addRow(b, 5000);
    const std::string image = dir / "out.bin";
    const std::string report = kOk + image + "\n" + dir / "out.h";
    struct Variant {
        std::uint32_t offset;
        bool fileInfo;
        std::string front;
        std::string note;
    };
    const Variant variants[] = {
        {4096, true,
         std::string("\x00\x10\x00\x00\xD2\x04\x00\x00\xD2\x14\x00\x00\x88\x13\x00\x00", 16) +
             std::string(4080, '\xFF'),
         kTableNote},
        {4096, false, std::string(4096, '\xFF'), ""},
        {16, true, std::string(16, '\xFF'), kRoomNote}, // 8 bytes per entry is not enough
        {17, true, le32(17) + le32(1234) + le32(1251) + le32(5000) + "\xFF", kTableNote},
        {0, true, "", kRoomNote},
    };
    for (const Variant& v : variants) {
        setOffset(v.offset);
        commands.state().fileInfo = v.fileInfo;
        port.messages.clear();
        port.saveResults = {image};
        ASSERT_TRUE(click(cmd::MergeSave));
        EXPECT_TRUE(zd::test::readFile(image) == v.front + content) << v.offset;
        EXPECT_EQ(port.messageTexts(), Strings{report + v.note}) << v.offset;
        EXPECT_EQ(port.messages[0].icon, Icon::Information);
    }
    EXPECT_EQ(zd::test::readFile(dir / "out.h"),
              "{\n/*\tNo,\tFile Name,\t\tSize,\tAddress\t*/\n\n\t1, \"" + a + "\", 1234, 0;\n\t2, \"" +
                  b + "\", 5000, 1234;\n\n}\n");
    EXPECT_EQ(commands.state().outputFolder, dir.path().string() + "/");
    ASSERT_EQ(port.saveRequests.size(), 5u);
    EXPECT_EQ(port.saveRequests[0].title, "选择保存位置和文件名称");
    ASSERT_EQ(port.saveRequests[0].filters.size(), 1u);
    EXPECT_EQ(port.saveRequests[0].filters[0].label, "BIN 文件（*.bin）");
    EXPECT_EQ(port.saveRequests[0].filters[0].patterns, Strings{"*.bin"});
    EXPECT_EQ(port.progressEnds, 5);
    EXPECT_GE(port.progressCalls, 5);
    EXPECT_EQ(port.buttonChanges.size(), 10u);
    EXPECT_TRUE(port.enabled[cmd::MergeSave]);
    EXPECT_EQ(port.redraws, 5);
    EXPECT_EQ(list().rowCount(), 2); // the list is only read
}

TEST_F(MergeSave, EmptyListGivesAFilledFrontAreaAndTheTableNote) {
    setOffset(100);
    commands.state().fileInfo = true;
    port.saveResults = {dir / "empty.bin"};
    click(cmd::MergeSave);
    EXPECT_EQ(zd::test::readFile(dir / "empty.bin"), std::string(100, '\xFF'));
    EXPECT_EQ(zd::test::readFile(dir / "empty.h").size(), 42u);
    EXPECT_EQ(port.messageTexts(),
              Strings{kOk + dir / "empty.bin" + "\n" + dir / "empty.h" + kTableNote});
}

TEST_F(MergeSave, OutputNamesFollowTheConfirmedName) {
    const std::pair<std::string, std::string> names[] = {
        {"img", "img"},         {"img.bin", "img"},       {"img.BIN", "img"},
        {"img.h", "img"},       {"img.Bin", "img.Bin"},   {"img.txt", "img.txt"},
        {"img.hex", "img"},     {"img.html", "img"},      {"logo.2.bin", "logo.2"},
        {"a.bin.bak", "a.bin"},
    };
    for (const auto& [confirmed, stem] : names) {
        port.messages.clear();
        port.saveResults = {dir / confirmed};
        click(cmd::MergeSave);
        EXPECT_EQ(port.messageTexts(), Strings{kOk + dir / (stem + ".bin") + "\n" + dir / (stem + ".h")})
            << confirmed;
        EXPECT_TRUE(std::filesystem::exists(dir / (stem + ".bin"))) << confirmed;
        EXPECT_TRUE(std::filesystem::exists(dir / (stem + ".h"))) << confirmed;
    }
}

TEST_F(MergeSave, EveryRefusalIsNamedAndWritesNothing) {
    // Runs one merge to `saveName` and expects one message and, on disk,
    // only the `created` names besides what was there.
    auto expectRefused = [&](const std::string& saveName, const std::string& message,
                             Strings created = {}, Icon icon = Icon::Error) {
        Strings expected = zd::test::namesIn(dir.path());
        expected.insert(expected.end(), created.begin(), created.end());
        std::sort(expected.begin(), expected.end());
        port.messages.clear();
        const int endsBefore = port.progressEnds;
        port.saveResults = {dir / saveName};
        click(cmd::MergeSave);
        ASSERT_EQ(port.messages.size(), 1u) << message;
        EXPECT_EQ(port.messages[0].text, message);
        EXPECT_EQ(port.messages[0].caption, "提示");
        EXPECT_EQ(port.messages[0].icon, icon);
        EXPECT_EQ(port.progressEnds, endsBefore + 1);
        EXPECT_EQ(zd::test::namesIn(dir.path()), expected) << message;
        list().clear();
    };
    addRow(makeFile("in.bin", 5), 5);
    expectRefused("in", "输出文件不可与输入文件有重复！\n" + dir / "in.bin");
    EXPECT_EQ(zd::test::readFile(dir / "in.bin"), zd::test::patternBytes(5, 1));
    addRow(makeFile("in.h", 5), 5);
    expectRefused("in.bin", "输出文件不可与输入文件有重复！\n" + dir / "in.h");

    addRow(dir / "gone.bin", 3);
    expectRefused("out", dir / "gone.bin" + " 打开失败，请检查！");
    addRow(makeFile("grow.bin", 20), 10);
    expectRefused("out", dir / "grow.bin" + " 的大小已改变（列表中为 10 字节，现为 20 字节），请重新添加该文件！");
    addRow(makeFile("big.bin", 1000), 1000);
    setOffset(4294967000u);
    expectRefused("out", dir / "big.bin" + " 超出4GB地址范围，无法合并，请减少文件或前置偏移！");

    expectRefused("nofolder/out.bin", "创建.bin文件出错\n请检查该文件是否被占用、只读或者文件名过长！");
    std::filesystem::create_directories(dir / "taken.bin/x");
    expectRefused("taken", "创建失败，请检查输入与输出文件。");
    std::filesystem::create_directories(dir / "listed.h/x");
    expectRefused("listed", "创建.bin文件成功\n创建.h文件出错\n请检查.h文件是否只读或者被占用！",
                  {"listed.bin"});

    zd::test::writeFile(dir / "kept.bin", "old");
    port.stopAtProgressCall = port.progressCalls + 1;
    expectRefused("kept", "已停止合并，未生成任何文件。", {}, Icon::Information);
    EXPECT_EQ(zd::test::readFile(dir / "kept.bin"), "old");
}

TEST_F(MergeSave, ViewResultOpensTheLastConfirmedFolder) {
    click(cmd::ViewResult);
    EXPECT_EQ(port.messageTexts(), Strings{"尚未保存过文件，暂无可查看的输出文件夹。"});
    EXPECT_EQ(port.messages[0].icon, Icon::Information);
    EXPECT_TRUE(port.openedFolders.empty());

    port.saveResults = {std::nullopt};
    click(cmd::MergeSave);
    EXPECT_TRUE(commands.state().outputFolder.empty());
    EXPECT_EQ(port.progressEnds, 0);

    // A save that stops at the duplicate check still sets the folder.
    std::filesystem::create_directory(dir / "sub");
    addRow(makeFile("sub/in.bin", 1), 1);
    port.saveResults = {dir / "sub/in.bin"};
    click(cmd::MergeSave);
    click(cmd::ViewResult);
    EXPECT_EQ(port.openedFolders, Strings{dir / "sub/"});
}

} // namespace
} // namespace zd::app::test

#include "app_fixture.h"

namespace zd::app::test {
namespace {

using ListEditing = AppTest;
using Strings = std::vector<std::string>;

TEST_F(ListEditing, StepButtonsMoveTheStoredOffsetAndRewriteTheEdit) {
    struct Case {
        std::uint32_t from;
        int command;
        std::uint32_t to;
    };
    const Case cases[] = {{4096, cmd::StepDown, 0},       {100, cmd::StepDown, 0},
                          {0, cmd::StepDown, 0},          {5000, cmd::StepDown, 904},
                          {4294963200u, cmd::StepUp, 0},  {100, cmd::StepUp, 4196}};
    addRow("/in/a.bin", 10);
    for (const Case& c : cases) {
        setOffset(c.from);
        port.displayWrites.clear();
        ASSERT_TRUE(click(c.command));
        EXPECT_EQ(list().frontOffset(), c.to) << c.from;
        EXPECT_EQ(addresses(), Strings{decimal(c.to)});
        const std::vector<std::pair<Display, std::string>> writes = {
            {Display::FrontOffset, decimal(c.to)},
            {Display::Capacity, decimal(static_cast<std::uint32_t>(c.to + 10))}};
        EXPECT_EQ(port.displayWrites, writes) << c.from;
    }
    EXPECT_TRUE(port.messages.empty());
}

TEST_F(ListEditing, ApplyParsesTheTypedTextAndLeavesItInTheEdit) {
    const std::pair<std::string, std::uint32_t> cases[] = {
        {"4096", 4096},           {"0x1000", 4096},         {"   4096", 4096},
        {"010", 8},               {"08", 0},                {"12abc", 12},
        {"abc", 0},               {"", 0},                  {"-1", 4294967295u},
        {"99999999999", 4294967295u},
        // Only the first 63 characters count: the trailing 7 is cut off.
        {std::string(63, '0') + "7", 0},
        {std::string(62, '0') + "7", 7},
    };
    addRow("/in/a.bin", 100);
    for (const auto& [typed, value] : cases) {
        port.displays[Display::FrontOffset] = typed;
        port.displayWrites.clear();
        ASSERT_TRUE(click(cmd::ApplyOffset));
        EXPECT_EQ(list().frontOffset(), value) << typed;
        EXPECT_EQ(addresses(), Strings{decimal(value)}) << typed;
        const std::vector<std::pair<Display, std::string>> writes = {
            {Display::Capacity, decimal(static_cast<std::uint32_t>(value + 100))}};
        EXPECT_EQ(port.displayWrites, writes) << typed;
        EXPECT_EQ(port.displays[Display::FrontOffset], typed);
    }
}

TEST_F(ListEditing, StepOverwritesATypedOffsetThatWasNeverApplied) {
    port.displays[Display::FrontOffset] = "8192";
    click(cmd::StepUp);
    EXPECT_EQ(list().frontOffset(), 4096u);
    EXPECT_EQ(port.displays[Display::FrontOffset], "4096");
}

TEST_F(ListEditing, MovesExchangeRowsRelayoutAndKeepOtherMarks) {
    addRow("/in/a.bin", 100);
    addRow("/in/b.dot", 50);
    addRow("/in/c.jpg", 70);
    setOffset(4096);
    port.selection = {1, 2};

    click(cmd::MoveUp);
    EXPECT_EQ(paths(), (Strings{"/in/b.dot", "/in/a.bin", "/in/c.jpg"}));
    EXPECT_EQ(column(Column::Number), (Strings{"1", "2", "3"}));
    EXPECT_EQ(addresses(), (Strings{"4096", "4146", "4246"}));
    EXPECT_EQ(column(Column::DataFormat), (Strings{".dot", ".bin", ".jpg"}));
    EXPECT_EQ(port.selection, (std::set<int>{0, 2}));
    EXPECT_EQ(port.selectionChanges, (std::vector<std::pair<int, bool>>{{0, true}, {1, false}}));

    click(cmd::MoveDown); // the first selected row, 0, moves; row 2 keeps its mark
    EXPECT_EQ(paths(), (Strings{"/in/a.bin", "/in/b.dot", "/in/c.jpg"}));
    EXPECT_EQ(addresses(), (Strings{"4096", "4196", "4246"}));
    EXPECT_EQ(port.selection, (std::set<int>{1, 2}));
    EXPECT_EQ(list().imageCapacity(), 4316u);
    EXPECT_TRUE(port.displayWrites.empty());
    EXPECT_TRUE(port.messages.empty());
}

TEST_F(ListEditing, MovesPastAnEndOrWithoutSelectionOnlyTell) {
    const std::string first = "已经是第一行！";
    const std::string last = "已经是最后一行！";
    click(cmd::MoveDown); // empty list, nothing selected
    addRow("/in/a.bin", 1);
    addRow("/in/b.bin", 2);
    click(cmd::MoveUp); // nothing selected
    click(cmd::MoveDown);
    port.selection = {0};
    click(cmd::MoveUp);
    port.selection = {1};
    click(cmd::MoveDown);
    EXPECT_EQ(port.messageTexts(), (Strings{last, first, last, first, last}));
    for (const Message& m : port.messages) {
        EXPECT_EQ(m.caption, "提示");
        EXPECT_EQ(m.icon, Icon::Information);
        EXPECT_EQ(m.buttons, Buttons::Ok);
    }
    EXPECT_EQ(paths(), (Strings{"/in/a.bin", "/in/b.bin"}));
    EXPECT_TRUE(port.selectionChanges.empty());
}

TEST_F(ListEditing, DeleteRemovesOnlyTheFirstSelectedRowAfterYes) {
    addRow("/in/a", 10);
    addRow("/in/b", 20);
    addRow("/in/c", 30);
    addRow("/in/d", 40);
    setOffset(100);
    port.selection = {1, 3};

    port.answers = {Answer::No};
    click(cmd::Delete);
    EXPECT_EQ(list().rowCount(), 4);
    EXPECT_TRUE(port.displayWrites.empty());

    port.answers = {Answer::Yes};
    click(cmd::Delete);
    ASSERT_EQ(port.messages.size(), 2u);
    EXPECT_EQ(port.messages[1].text, "确定要删除第 2 行吗？");
    EXPECT_EQ(port.messages[1].caption, "提示");
    EXPECT_EQ(port.messages[1].icon, Icon::Warning);
    EXPECT_EQ(port.messages[1].buttons, Buttons::YesNo);
    EXPECT_EQ(paths(), (Strings{"/in/a", "/in/c", "/in/d"}));
    EXPECT_EQ(column(Column::Number), (Strings{"1", "2", "3"}));
    EXPECT_EQ(addresses(), (Strings{"100", "110", "140"}));
    EXPECT_EQ(port.displays[Display::FileCount], "3");
    EXPECT_EQ(port.displays[Display::Capacity], "180");
    EXPECT_EQ(port.selection, std::set<int>{2}); // the former row 4, still marked
    EXPECT_TRUE(port.selectionChanges.empty());

    port.selection.clear();
    click(cmd::Delete);
    EXPECT_EQ(port.messages.back().text, "请选择要删除的行。");
    EXPECT_EQ(port.messages.back().icon, Icon::Information);
    EXPECT_EQ(list().rowCount(), 3);
}

TEST_F(ListEditing, ClearAsksEvenForAnEmptyListAndResetsTheOffset) {
    setOffset(8192);
    commands.state().fileInfo = true;
    port.answers = {Answer::No, Answer::Yes};
    click(cmd::Clear);
    EXPECT_EQ(list().frontOffset(), 8192u);
    EXPECT_TRUE(port.displayWrites.empty());
    click(cmd::Clear);
    EXPECT_EQ(port.messageTexts(), (Strings{"确定要全部清空吗？", "确定要全部清空吗？"}));
    EXPECT_EQ(port.messages[0].icon, Icon::Warning);
    EXPECT_EQ(list().frontOffset(), 0u);
    EXPECT_EQ(list().imageCapacity(), 0u);
    EXPECT_TRUE(commands.state().fileInfo);
    const std::vector<std::pair<Display, std::string>> writes = {
        {Display::FrontOffset, "0"}, {Display::FileCount, "0"}, {Display::Capacity, "0"}};
    EXPECT_EQ(port.displayWrites, writes);
}

TEST_F(ListEditing, CheckBoxExplainsWhenTickedAndWarnsWithoutRoom) {
    const std::string explanation =
        "(1)选中：会将文件的地址和大小信息写入前置偏移区域，8Bytes/文件，\n     "
        "数据格式：LSB->MSB\n(2)非选中：前置偏移区域填满0xFF数据";
    const std::string warning = "当前前置偏移地址不足于存放文件地址和大小信息，\n"
                                "要求预留空间大于 文件数x8Bytes，否则不会添加。";
    auto tick = [&](std::uint32_t offset) {
        setOffset(offset);
        port.messages.clear();
        port.fileInfoChecked = true;
        click(cmd::FileInfo);
        EXPECT_TRUE(commands.state().fileInfo);
        return port.messageTexts();
    };
    EXPECT_EQ(tick(0), Strings{explanation}); // empty list: never the warning
    ASSERT_EQ(port.messages.size(), 1u);
    EXPECT_EQ(port.messages[0].caption, "前置添加文件信息说明");
    EXPECT_EQ(port.messages[0].icon, Icon::Information);
    for (int i = 0; i < 3; ++i) {
        addRow("/in/f" + std::to_string(i), 5);
    }
    EXPECT_EQ(tick(16), (Strings{explanation, warning}));
    EXPECT_EQ(port.messages[1].caption, "提示");
    EXPECT_EQ(port.messages[1].icon, Icon::Warning);
    EXPECT_EQ(port.messages[1].buttons, Buttons::Ok);
    EXPECT_EQ(tick(24), (Strings{explanation, warning}));
    EXPECT_EQ(tick(25), Strings{explanation});

    port.messages.clear();
    port.fileInfoChecked = false; // unticking says nothing
    click(cmd::FileInfo);
    EXPECT_FALSE(commands.state().fileInfo);
    EXPECT_TRUE(port.messages.empty());
}

} // namespace
} // namespace zd::app::test

#include "app_fixture.h"

namespace zd::app::test {
namespace {

using ListEditing = AppTest;

const Message kFirstRow{"已经是第一行！", "提示", Icon::Information, Buttons::Ok};
const Message kLastRow{"已经是最后一行！", "提示", Icon::Information, Buttons::Ok};

// "+" and "-" step the stored offset (a typed, unapplied one is lost) and
// rewrite the edit; apply parses the edit and leaves the typed text.
TEST_F(ListEditing, StepAndApplySetTheOffsetAndRefreshTheDisplays) {
    struct Case {
        int command;
        std::uint32_t from;
        std::string typed;
        std::uint32_t to;
    };
    const Case cases[] = {
        {cmd::StepDown, 4096, "8192", 0},         {cmd::StepDown, 100, "", 0},
        {cmd::StepDown, 5000, "", 904},           {cmd::StepUp, 4294963200u, "", 0},
        {cmd::StepUp, 100, "8192", 4196},         {cmd::ApplyOffset, 5, "0x1000", 4096},
        {cmd::ApplyOffset, 5, "010", 8},          {cmd::ApplyOffset, 5, "08", 0},
        {cmd::ApplyOffset, 5, "12abc", 12},       {cmd::ApplyOffset, 5, "-1", 4294967295u},
        {cmd::ApplyOffset, 5, "99999999999", 4294967295u},
        // Only the first 63 characters count.
        {cmd::ApplyOffset, 5, std::string(63, '0') + "7", 0},
        {cmd::ApplyOffset, 5, std::string(62, '0') + "7", 7},
    };
    addRow("/in/a.bin", 10);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed + " from " + std::to_string(c.from));
        setOffset(c.from);
        port.displays[Display::FrontOffset] = c.typed;
        port.events.clear();
        ASSERT_TRUE(click(c.command));
        EXPECT_EQ(list().frontOffset(), c.to);
        EXPECT_EQ(addresses(), Strings{decimal(c.to)});
        Strings refreshed{"403 " + decimal(c.to + 10)};
        if (c.command != cmd::ApplyOffset) {
            refreshed.insert(refreshed.begin(), "402 " + decimal(c.to));
        }
        EXPECT_EQ(port.eventsOf("display"), refreshed);
        EXPECT_EQ(port.displays[Display::FrontOffset],
                  c.command == cmd::ApplyOffset ? c.typed : decimal(c.to));
    }
    EXPECT_TRUE(port.messages.empty());
}

// The first selected row moves, relayout follows, the other marks stay.
TEST_F(ListEditing, MovesExchangeRowsAndKeepOtherMarks) {
    click(cmd::MoveDown); // empty list
    addRow("/in/a.bin", 100);
    addRow("/in/b.dot", 50);
    addRow("/in/c.jpg", 70);
    setOffset(4096);
    click(cmd::MoveUp); // nothing selected
    port.selection = {0};
    click(cmd::MoveUp);
    port.selection = {2};
    click(cmd::MoveDown);
    EXPECT_EQ(port.messages, (std::vector<Message>{kLastRow, kFirstRow, kFirstRow, kLastRow}));

    port.events.clear();
    port.selection = {1, 2};
    click(cmd::MoveUp);
    EXPECT_EQ(paths(), (Strings{"/in/b.dot", "/in/a.bin", "/in/c.jpg"}));
    EXPECT_EQ(column(Column::Number), (Strings{"1", "2", "3"}));
    EXPECT_EQ(addresses(), (Strings{"4096", "4146", "4246"}));
    EXPECT_EQ(port.selection, (std::set<int>{0, 2}));
    click(cmd::MoveDown);
    EXPECT_EQ(paths(), (Strings{"/in/a.bin", "/in/b.dot", "/in/c.jpg"}));
    EXPECT_EQ(addresses(), (Strings{"4096", "4196", "4246"}));
    EXPECT_EQ(port.selection, (std::set<int>{1, 2}));
    EXPECT_EQ(port.events, (Strings{"select 0 1", "select 1 0", "select 1 1", "select 0 0"}));
}

TEST_F(ListEditing, DeleteRemovesOnlyTheFirstSelectedRowAfterYes) {
    for (const char* name : {"/in/a", "/in/b", "/in/c", "/in/d"}) {
        addRow(name, 10 * (list().rowCount() + 1));
    }
    setOffset(100);
    port.selection = {1, 3};
    port.answers = {Answer::No, Answer::Yes};
    click(cmd::Delete);
    EXPECT_EQ(list().rowCount(), 4);
    EXPECT_TRUE(port.eventsOf("display").empty());
    click(cmd::Delete);
    EXPECT_EQ(port.messages[1], (Message{"确定要删除第 2 行吗？", "提示", Icon::Warning, Buttons::YesNo}));
    EXPECT_EQ(paths(), (Strings{"/in/a", "/in/c", "/in/d"}));
    EXPECT_EQ(column(Column::Number), (Strings{"1", "2", "3"}));
    EXPECT_EQ(addresses(), (Strings{"100", "110", "140"}));
    EXPECT_EQ(port.eventsOf("display"), (Strings{"401 3", "403 180"}));
    EXPECT_EQ(port.selection, std::set<int>{2}); // the former row 4, still marked

    port.selection.clear();
    click(cmd::Delete);
    EXPECT_EQ(port.messages.back(), (Message{"请选择要删除的行。", "提示", Icon::Information, Buttons::Ok}));
    EXPECT_EQ(list().rowCount(), 3);
}

// Clear asks even for an empty list, resets the offset, keeps the option.
TEST_F(ListEditing, ClearAsksAndResetsTheOffset) {
    setOffset(8192);
    commands.state().fileInfo = true;
    port.answers = {Answer::No, Answer::Yes};
    click(cmd::Clear);
    EXPECT_EQ(list().frontOffset(), 8192u);
    click(cmd::Clear);
    const Message ask{"确定要全部清空吗？", "提示", Icon::Warning, Buttons::YesNo};
    EXPECT_EQ(port.messages, (std::vector<Message>{ask, ask}));
    EXPECT_EQ(list().frontOffset(), 0u);
    EXPECT_EQ(list().imageCapacity(), 0u);
    EXPECT_TRUE(commands.state().fileInfo);
    EXPECT_EQ(port.eventsOf("display"), (Strings{"402 0", "401 0", "403 0"}));
}

// Ticking explains; it also warns when the front area is not larger than
// 8 bytes per row, and never for an empty list. Unticking says nothing.
TEST_F(ListEditing, CheckBoxExplainsWhenTickedAndWarnsWithoutRoom) {
    const Message explanation{"(1)选中：会将文件的地址和大小信息写入前置偏移区域，8Bytes/文件，\n     "
                              "数据格式：LSB->MSB\n(2)非选中：前置偏移区域填满0xFF数据",
                              "前置添加文件信息说明", Icon::Information, Buttons::Ok};
    const Message warning{"当前前置偏移地址不足于存放文件地址和大小信息，\n"
                          "要求预留空间大于 文件数x8Bytes，否则不会添加。",
                          "提示", Icon::Warning, Buttons::Ok};
    const auto tick = [&](std::uint32_t offset, bool on) {
        setOffset(offset);
        port.messages.clear();
        port.fileInfoChecked = on;
        click(cmd::FileInfo);
        EXPECT_EQ(commands.state().fileInfo, on);
        return port.messages;
    };
    using Messages = std::vector<Message>;
    EXPECT_EQ(tick(0, true), Messages{explanation});
    for (int i = 0; i < 3; ++i) {
        addRow("/in/f" + std::to_string(i), 5);
    }
    EXPECT_EQ(tick(24, true), (Messages{explanation, warning}));
    EXPECT_EQ(tick(25, true), Messages{explanation});
    EXPECT_EQ(tick(0, false), Messages{});
}

} // namespace
} // namespace zd::app::test

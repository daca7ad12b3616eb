#include "app/messages.h"
#include "tests/app/app_fixture.h"

namespace zd::app::test {
namespace {

using ListEditing = AppTest;

// "+" and "-" step the stored offset (the typed text is lost) and rewrite the
// edit; apply reads the edit (the number forms are the parser's, tested with
// it), keeps its text and refreshes only the capacity.
TEST_F(ListEditing, StepAndApplyTheFrontOffset) {
    const std::tuple<int, std::uint32_t, std::string, std::uint32_t> cases[] = {
        {cmd::StepUp, 4294963200u, "8192", 0},
        {cmd::StepDown, 5000, "8192", 904},
        {cmd::StepDown, 100, "8192", 0},
        {cmd::ApplyOffset, 5, "0x1000", 4096},
        {cmd::ApplyOffset, 5, std::string(62, ' ') + "7", 7}, // the edit's 63 characters
        {cmd::ApplyOffset, 5, std::string(63, ' ') + "7", 0}, // and no more
    };
    addRows({{"/in/a", 10}});
    for (const auto& [command, from, typed, to] : cases) {
        setOffset(from);
        port.typedOffset = typed;
        click(command);
        EXPECT_EQ(rows(), Strings{"/in/a@" + decimal(to)}) << typed;
        Strings refreshed{"402=" + decimal(to), "403=" + decimal(to + 10u)};
        EXPECT_EQ(takeLog(), command == cmd::ApplyOffset ? Strings{refreshed[1]} : refreshed);
    }
}

// Delete asks about the first selected row and removes only it, leaving the
// marks alone; Clear asks, then resets all three displays. (Delete with
// nothing selected: the windows' first asks.)
TEST_F(ListEditing, DeleteAndClear) {
    addRows({{"/in/a", 10}, {"/in/b", 20}, {"/in/c", 30}, {"/in/d", 40}}, 100);
    port.selection = {0, 2};
    port.answers = {Answer::No, Answer::Yes, Answer::No, Answer::Yes};
    click(cmd::Delete);
    click(cmd::Delete);
    const std::string ask = "message 提示|W|YesNo|确定要删除第 1 行吗？";
    EXPECT_EQ(takeLog(), (Strings{ask, ask, "401=3", "403=190"}));
    EXPECT_EQ(rows(), (Strings{"/in/b@100", "/in/c@120", "/in/d@150"}));
    click(cmd::Clear);
    click(cmd::Clear);
    const std::string clear = "message 提示|W|YesNo|确定要全部清空吗？";
    EXPECT_EQ(takeLog(), (Strings{clear, clear, "402=0", "401=0", "403=0"}));
    EXPECT_TRUE(list().empty());
}

// The first selected row swaps with its neighbour, the layout follows and its
// mark moves along; the other marks stay.
TEST_F(ListEditing, MoveUpAndDown) {
    addRows({{"/in/a", 100}, {"/in/b", 50}, {"/in/c", 70}}, 4096);
    port.selection = {0};
    click(cmd::MoveUp);
    port.selection = {2};
    click(cmd::MoveDown);
    port.selection = {1, 2};
    click(cmd::MoveUp);
    EXPECT_EQ(rows(), (Strings{"/in/b@4096", "/in/a@4146", "/in/c@4246"}));
    click(cmd::MoveDown); // from row 1, marked with 3
    EXPECT_EQ(rows(), (Strings{"/in/a@4096", "/in/b@4196", "/in/c@4246"}));
    EXPECT_EQ(takeLog(), (Strings{message('I', "已经是第一行！"), message('I', "已经是最后一行！"),
                                  "select 0 on", "select 1 off", "select 1 on", "select 0 off"}));
}

// Ticking explains; it also warns when the front area is not larger than
// 8 bytes a row. Unticking says nothing. (An empty list, never warned
// about: the windows' first asks.)
TEST_F(ListEditing, FileInfoCheckBox) {
    const std::string explanation =
        message('I', text::kFileInfoExplanation, "前置添加文件信息说明");
    const std::string warning = message('W', text::kFrontAreaTooSmall);
    const auto tick = [&](std::uint32_t offset, bool on) {
        setOffset(offset);
        port.checked = on;
        click(cmd::FileInfo);
        EXPECT_EQ(commands.state().fileInfo, on);
        return takeLog();
    };
    addRows({{"/in/a", 5}, {"/in/b", 5}, {"/in/c", 5}});
    EXPECT_EQ(tick(24, true), (Strings{explanation, warning}));
    EXPECT_EQ(tick(25, true), Strings{explanation});
    EXPECT_EQ(tick(0, false), Strings{});
}

} // namespace
} // namespace zd::app::test

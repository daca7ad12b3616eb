#include "app_fixture.h"

namespace zd::app::test {
namespace {

using MenuAndRouting = AppTest;

TEST_F(MenuAndRouting, MenuCommandsRunForAnyCodeControlsOnlyForAClick) {
    for (const int code : {kNotifyClick, kNotifyShortcut, 0x300}) {
        for (const int id : {cmd::About, cmd::Usage, cmd::RevisionHistory, cmd::LatestVersion, cmd::Exit}) {
            EXPECT_TRUE(commands.onCommand(id, code));
        }
    }
    const Strings oneRound{"dialog 103", "dialog 129", "dialog 134",
                           "url http://www.example.com/html/2023/software_1106/35.html", "quit"};
    Strings expected;
    for (int i = 0; i < 3; ++i) {
        expected.insert(expected.end(), oneRound.begin(), oneRound.end());
    }
    EXPECT_EQ(port.events, expected);
    EXPECT_FALSE(commands.onCommand(999, kNotifyClick));

    port.events.clear();
    port.displays[Display::FrontOffset] = "77";
    port.fileInfoChecked = true;
    for (const int id : {cmd::Delete, cmd::Clear, cmd::AddFiles, cmd::MergeSave, cmd::MoveUp,
                         cmd::MoveDown, cmd::StepUp, cmd::StepDown, cmd::ViewResult, cmd::ImportList,
                         cmd::FileInfo, cmd::ApplyOffset, cmd::FolderImport}) {
        for (const int code : {kNotifyShortcut, 0x300 /* an edit's change notice */}) {
            EXPECT_FALSE(commands.onCommand(id, code)) << id << " " << code;
        }
    }
    EXPECT_TRUE(port.events.empty());
    EXPECT_TRUE(port.requests.empty());
    EXPECT_EQ(list().frontOffset(), 0u);
    EXPECT_FALSE(commands.state().fileInfo);
    EXPECT_TRUE(click(cmd::ApplyOffset));
    EXPECT_EQ(list().frontOffset(), 77u);
}

// linkRect (562, 445)-(772, 465) counts all four edges as inside.
TEST_F(MenuAndRouting, LinkLightsUpInsideItsRectangleAndOpensTheHost) {
    EXPECT_EQ(commands.linkText(), "http://www.example.com");
    const std::tuple<int, int, bool> points[] = {
        {562, 445, true},  {772, 465, true},  {561, 445, false}, {773, 445, false},
        {562, 444, false}, {562, 466, false}, {700, 455, true},
    };
    for (const auto& [x, y, inside] : points) {
        port.events.clear();
        commands.onMouseMove(x, y);
        EXPECT_EQ(commands.state().linkHot, inside) << x << "," << y;
        // Repainted whether or not it changed; the hand only inside.
        EXPECT_EQ(port.events, inside ? (Strings{"hand", "link"}) : Strings{"link"}) << x << "," << y;
    }
    port.events.clear();
    commands.onLeftButtonDown(561, 450);
    EXPECT_TRUE(port.events.empty());
    commands.onLeftButtonDown(772, 465);
    EXPECT_EQ(port.events, Strings{"url http://www.example.com"});
    EXPECT_TRUE(commands.state().linkHot); // a press leaves the hover state alone
}

} // namespace
} // namespace zd::app::test

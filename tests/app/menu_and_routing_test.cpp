#include "app_fixture.h"

namespace zd::app::test {
namespace {

using MenuAndRouting = AppTest;

TEST_F(MenuAndRouting, MenuCommandsRunForClicksShortcutsAndOtherCodes) {
    for (const int code : {kNotifyClick, kNotifyShortcut, 0x300}) {
        EXPECT_TRUE(commands.onCommand(cmd::About, code));
        EXPECT_TRUE(commands.onCommand(cmd::Usage, code));
        EXPECT_TRUE(commands.onCommand(cmd::RevisionHistory, code));
        EXPECT_TRUE(commands.onCommand(cmd::LatestVersion, code));
        EXPECT_TRUE(commands.onCommand(cmd::Exit, code));
    }
    const std::vector<InfoDialog> oneRound = {InfoDialog::About, InfoDialog::Usage,
                                              InfoDialog::RevisionHistory};
    std::vector<InfoDialog> expected;
    for (int i = 0; i < 3; ++i) {
        expected.insert(expected.end(), oneRound.begin(), oneRound.end());
    }
    EXPECT_EQ(port.dialogsRun, expected);
    EXPECT_EQ(port.quits, 3);
    EXPECT_EQ(port.openedUrls,
              std::vector<std::string>(3, "http://www.example.com/html/2023/software_1106/35.html"));
    EXPECT_FALSE(commands.onCommand(999, kNotifyClick));
}

TEST_F(MenuAndRouting, ControlCommandsRunOnlyForAClick) {
    const int controls[] = {cmd::Delete,    cmd::Clear,      cmd::AddFiles,  cmd::MergeSave,
                            cmd::MoveUp,    cmd::MoveDown,   cmd::StepUp,    cmd::StepDown,
                            cmd::ViewResult, cmd::ImportList, cmd::FileInfo, cmd::ApplyOffset,
                            cmd::FolderImport};
    port.displays[Display::FrontOffset] = "77";
    port.fileInfoChecked = true;
    for (const int id : controls) {
        for (const int code : {kNotifyShortcut, 0x300 /* an edit's change notice */}) {
            EXPECT_FALSE(commands.onCommand(id, code)) << id << " " << code;
        }
    }
    EXPECT_TRUE(port.messages.empty());
    EXPECT_TRUE(port.openRequests.empty());
    EXPECT_TRUE(port.displayWrites.empty());
    EXPECT_TRUE(port.buttonChanges.empty());
    EXPECT_EQ(list().frontOffset(), 0u);
    EXPECT_FALSE(commands.state().fileInfo);

    EXPECT_TRUE(click(cmd::ApplyOffset));
    EXPECT_EQ(list().frontOffset(), 77u);
}

TEST_F(MenuAndRouting, LinkLightsUpInsideItsRectangleAndOpensTheHost) {
    EXPECT_EQ(commands.linkText(), "http://www.example.com");
    struct Point {
        int x, y;
        bool inside;
    };
    const Point points[] = {{562, 445, true},  {772, 465, true},  {561, 445, false},
                            {773, 445, false}, {562, 444, false}, {562, 466, false},
                            {700, 455, true},  {10, 10, false}};
    int repaints = 0;
    int cursors = 0;
    for (const Point& p : points) {
        commands.onMouseMove(p.x, p.y);
        EXPECT_EQ(commands.state().linkHot, p.inside) << p.x << "," << p.y;
        EXPECT_EQ(port.linkRepaints, ++repaints); // repainted whether or not it changed
        EXPECT_EQ(port.handCursors, cursors += p.inside ? 1 : 0);
    }
    commands.onMouseMove(600, 450);
    commands.onLeftButtonDown(561, 450);
    EXPECT_TRUE(port.openedUrls.empty());
    commands.onLeftButtonDown(772, 465); // right of the drawn text, still inside
    EXPECT_EQ(port.openedUrls, std::vector<std::string>{"http://www.example.com"});
    EXPECT_TRUE(commands.state().linkHot); // a press leaves the hover state alone
}

} // namespace
} // namespace zd::app::test

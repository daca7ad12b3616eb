// The real buttons, menu items, shortcuts and drops reach the commands, and
// what the commands ask of the port shows up in the window.
#include "test_files.h"
#include "window_fixture.h"

#include <QAction>
#include <QCheckBox>
#include <QDropEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>

namespace zd::test {
namespace {

QString q(const std::string& text) { return QString::fromStdString(text); }

class WindowCommands : public WindowTest {
  protected:
    void click(int id) {
        QPushButton* button = window.button(id);
        ASSERT_NE(button, nullptr) << id;
        QTest::mouseClick(button, Qt::LeftButton);
    }
    QString shown(app::Display display) { return window.display(display).text(); }
    QString cell(int row, int column) {
        return window.table().model()->index(row, column).data().toString();
    }
    bool drop(const QList<QUrl>& urls) {
        QMimeData mime;
        mime.setUrls(urls);
        QWidget* viewport = window.table().viewport();
        const QPoint at(viewport->width() / 2, viewport->height() / 2);
        QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(viewport, &enter);
        QDropEvent dropped(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        if (enter.isAccepted()) {
            QApplication::sendEvent(viewport, &dropped);
        }
        return enter.isAccepted();
    }
    TempDir dir;
};

// Each control reaches its own command: what the command asks first tells.
TEST_F(WindowCommands, EachButtonAndMenuItemReachesItsCommand) {
    const std::pair<int, const char*> controls[] = {
        {app::cmd::AddFiles, "open 选择导入文件（多选）"},
        {app::cmd::ImportList, "open 选择存档文件"},
        {app::cmd::MergeSave, "save 选择保存位置和文件名称"},
        {app::cmd::Delete, "message 请选择要删除的行。 | 提示"},
        {app::cmd::Clear, "message 确定要全部清空吗？ | 提示"},
        {app::cmd::MoveUp, "message 已经是第一行！ | 提示"},
        {app::cmd::MoveDown, "message 已经是最后一行！ | 提示"},
        {app::cmd::ViewResult, "message 尚未保存过文件，暂无可查看的输出文件夹。 | 提示"},
        {app::cmd::FolderImport, "open 选择任一文件即导入当前文件夹所有文件"},
        {app::cmd::Usage, "dialog 129"},
        {app::cmd::RevisionHistory, "dialog 134"},
        {app::cmd::About, "dialog 103"},
        {app::cmd::LatestVersion,
         "url http://www.example.com/html/2023/software_1106/35.html"},
    };
    for (const auto& [id, first] : controls) {
        SCOPED_TRACE(id);
        dialogs.log.clear();
        if (QPushButton* button = window.button(id)) {
            QTest::mouseClick(button, Qt::LeftButton);
        } else {
            auto* action = window.findChild<QAction*>(QString::number(id));
            ASSERT_NE(action, nullptr);
            action->trigger();
        }
        ASSERT_FALSE(dialogs.log.isEmpty());
        EXPECT_EQ(dialogs.log[0], QString::fromUtf8(first).replace("www.example.com", q(ui::publisherHost())));
    }
    EXPECT_EQ(dialogs.dialogTopLeft, area().mapToGlobal(QPoint(0, 0)));

    click(app::cmd::StepUp);
    EXPECT_EQ(shown(app::Display::FrontOffset), "4096");
    window.display(app::Display::FrontOffset).selectAll();
    QTest::keyClicks(&window.display(app::Display::FrontOffset), "0x100");
    EXPECT_EQ(shown(app::Display::Capacity), "4096"); // typing alone changes nothing
    click(app::cmd::ApplyOffset);
    EXPECT_EQ(shown(app::Display::Capacity), "256");
    click(app::cmd::StepDown);
    EXPECT_EQ(shown(app::Display::FrontOffset), "0");

    // The box is ticked before its command reads it, so the command explains.
    dialogs.log.clear();
    QTest::mouseClick(&window.fileInfoBox(), Qt::LeftButton);
    EXPECT_TRUE(window.commands().state().fileInfo);
    EXPECT_TRUE(dialogs.log.value(0).endsWith("| 前置添加文件信息说明"));

    window.findChild<QAction*>(QString::number(app::cmd::Exit))->trigger();
    EXPECT_FALSE(window.isVisible());
}

// About from the keyboard, whichever control holds the focus.
TEST_F(WindowCommands, AboutShortcutsWorkFromAnyControl) {
    window.activateWindow();
    window.table().setFocus();
    QTest::keyClick(&window.table(), Qt::Key_Slash, Qt::AltModifier);
    window.button(app::cmd::Delete)->setFocus();
    QTest::keyClick(window.button(app::cmd::Delete), Qt::Key_Question, Qt::AltModifier);
    EXPECT_EQ(dialogs.log, (QStringList{"dialog 103", "dialog 103"}));
}

// The port shows rows, totals and selection marks; the files are written.
TEST_F(WindowCommands, ThePortShowsWhatTheCommandsDo) {
    writeFile(dir / "a.bin", "AAAA");
    writeFile(dir / "b.dot", "BB");
    dialogs.filesToOpen.push_back({q(dir / "a.bin"), q(dir / "b.dot")});
    click(app::cmd::AddFiles);
    EXPECT_EQ(cell(1, 1), q(dir / "b.dot"));
    EXPECT_EQ(cell(1, 3), "4");
    EXPECT_EQ(shown(app::Display::FileCount), "2");
    EXPECT_EQ(shown(app::Display::Capacity), "6");
    EXPECT_TRUE(window.button(app::cmd::AddFiles)->isEnabled());

    // The selection goes with the moved row; the current row stays.
    ui::EntryTableView& table = window.table();
    table.selectRow(0);
    const QModelIndex current = table.currentIndex();
    click(app::cmd::MoveDown);
    EXPECT_EQ(cell(0, 1), q(dir / "b.dot"));
    const QModelIndexList selected = table.selectionModel()->selectedRows();
    ASSERT_EQ(selected.size(), 1);
    EXPECT_EQ(selected[0].row(), 1);
    EXPECT_EQ(table.currentIndex(), current);

    dialogs.fileToSave.push_back(q(dir / "image"));
    click(app::cmd::MergeSave);
    EXPECT_EQ(readFile(dir / "image.bin"), "BBAAAA");
    EXPECT_TRUE(window.button(app::cmd::MergeSave)->isEnabled());
    click(app::cmd::ViewResult);
    EXPECT_EQ(dialogs.log.last(), "url " + QUrl::fromLocalFile(q(dir.path().string() + "/")).toString());

    dialogs.answers = {app::Answer::Yes};
    click(app::cmd::Delete); // row 1 is still selected
    EXPECT_EQ(cell(0, 1), q(dir / "b.dot"));
    EXPECT_EQ(shown(app::Display::FileCount), "1");
}

TEST_F(WindowCommands, DroppedFilesAndFoldersAreAdded) {
    writeFile(dir / "one.bin", "1");
    std::filesystem::create_directory(dir.path() / "folder");
    writeFile(dir / "folder/x.dot", "333");
    writeFile(dir / "folder/y", "4444");
    ASSERT_TRUE(drop({QUrl::fromLocalFile(q(dir / "one.bin")), QUrl::fromLocalFile(q(dir / "folder"))}));
    EXPECT_EQ(list().rowCount(), 3);
    EXPECT_EQ(cell(1, 1), q(dir / "folder/x.dot"));
    EXPECT_EQ(dialogs.log, QStringList{"message 总共添加 3 个文件 | 提示"});
    EXPECT_EQ(shown(app::Display::Capacity), "8");
    // What is not a local file is turned away at the door.
    EXPECT_FALSE(drop({QUrl("http://example.org/a.bin")}));
}

} // namespace
} // namespace zd::test

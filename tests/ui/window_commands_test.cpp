// The real buttons, menu items, shortcuts and drops reach the commands, and
// what the commands do shows up in the window.
#include "test_files.h"
#include "window_fixture.h"

#include <QAction>
#include <QCheckBox>
#include <QDropEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <filesystem>

namespace zd::test {
namespace {

QString q(const std::string& text) {
    return QString::fromStdString(text);
}

class WindowCommandsTest : public WindowTest {
  protected:
    void click(int id) {
        QPushButton* button = window->button(id);
        ASSERT_NE(button, nullptr) << id;
        QTest::mouseClick(button, Qt::LeftButton);
    }
    void trigger(int id) {
        auto* action = window->findChild<QAction*>(QString::number(id));
        ASSERT_NE(action, nullptr) << id;
        action->trigger();
    }
    QString shown(app::Display display) { return window->display(display).text(); }
    QString cell(int row, int column) {
        return window->table().model()->index(row, column).data().toString();
    }
    void drop(const QList<QUrl>& urls) {
        QMimeData mime;
        mime.setUrls(urls);
        QWidget* viewport = window->table().viewport();
        const QPointF at(viewport->width() / 2.0, viewport->height() / 2.0);
        QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(viewport, &enter);
        ASSERT_TRUE(enter.isAccepted());
        QDropEvent dropped(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(viewport, &dropped);
    }

    TempDir dir;
};

TEST_F(WindowCommandsTest, ButtonsEditTheListThroughTheCommands) {
    writeFile(dir / "a.bin", std::string(100, 'a'));
    writeFile(dir / "b.dot", std::string(50, 'b'));
    dialogs.filesToOpen.push_back({q(dir / "a.bin"), q(dir / "b.dot")});
    click(app::cmd::AddFiles);

    ASSERT_EQ(dialogs.fileRequests.size(), 1u);
    EXPECT_EQ(dialogs.fileRequests[0].title, "选择导入文件（多选）");
    EXPECT_TRUE(dialogs.fileRequests[0].multiple);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, QStringLiteral("总共添加 2 个文件"));
    EXPECT_EQ(shown(app::Display::FileCount), QStringLiteral("2"));
    EXPECT_EQ(shown(app::Display::Capacity), QStringLiteral("150"));
    EXPECT_EQ(cell(1, 1), q(dir / "b.dot"));
    EXPECT_EQ(cell(1, 3), QStringLiteral("100"));
    EXPECT_TRUE(window->button(app::cmd::AddFiles)->isEnabled());

    // Move the first row down: the selection goes with it, the current row stays.
    ui::EntryTableView& table = window->table();
    table.selectRow(0);
    const QModelIndex current = table.currentIndex();
    click(app::cmd::MoveDown);
    EXPECT_EQ(cell(0, 1), q(dir / "b.dot"));
    EXPECT_EQ(cell(1, 3), QStringLiteral("50"));
    const QModelIndexList selected = table.selectionModel()->selectedRows();
    ASSERT_EQ(selected.size(), 1);
    EXPECT_EQ(selected[0].row(), 1);
    EXPECT_EQ(table.currentIndex(), current);

    click(app::cmd::StepUp);
    EXPECT_EQ(shown(app::Display::FrontOffset), QStringLiteral("4096"));
    EXPECT_EQ(cell(0, 3), QStringLiteral("4096"));

    // A typed offset takes effect through the apply button only.
    QLineEdit& offset = window->display(app::Display::FrontOffset);
    offset.selectAll();
    QTest::keyClicks(&offset, QStringLiteral("0x100"));
    EXPECT_EQ(cell(0, 3), QStringLiteral("4096"));
    click(app::cmd::ApplyOffset);
    EXPECT_EQ(cell(0, 3), QStringLiteral("256"));

    dialogs.answers.push_back(app::Answer::Yes);
    click(app::cmd::Delete);
    EXPECT_EQ(list().rowCount(), 1);
    EXPECT_EQ(cell(0, 1), q(dir / "b.dot"));
    EXPECT_EQ(shown(app::Display::FileCount), QStringLiteral("1"));

    dialogs.answers.push_back(app::Answer::No);
    click(app::cmd::Clear);
    EXPECT_EQ(list().rowCount(), 1);
    dialogs.answers.push_back(app::Answer::Yes);
    click(app::cmd::Clear);
    EXPECT_EQ(list().rowCount(), 0);
    EXPECT_EQ(shown(app::Display::FileCount), QStringLiteral("0"));
}

TEST_F(WindowCommandsTest, CheckBoxToggledBeforeItsCommandRuns) {
    const std::size_t before = dialogs.messages.size();
    QTest::mouseClick(&window->fileInfoBox(), Qt::LeftButton);
    EXPECT_TRUE(window->fileInfoBox().isChecked());
    EXPECT_TRUE(window->commands().state().fileInfo);
    ASSERT_GT(dialogs.messages.size(), before);
    EXPECT_EQ(dialogs.messages[before].caption, QStringLiteral("前置添加文件信息说明"));
}

TEST_F(WindowCommandsTest, MergeSaveWritesBothFilesAndViewResultOpensTheFolder) {
    writeFile(dir / "a.bin", "AAAA");
    writeFile(dir / "b.bin", "BB");
    dialogs.filesToOpen.push_back({q(dir / "a.bin"), q(dir / "b.bin")});
    click(app::cmd::AddFiles);

    std::filesystem::create_directory(dir.path() / "out");
    dialogs.fileToSave.push_back(q(dir / "out/image"));
    click(app::cmd::MergeSave);
    EXPECT_EQ(readFile(dir / "out/image.bin"), "AAAABB");
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "out/image.h"));
    EXPECT_EQ(dialogs.fileRequests.back().title, "选择保存位置和文件名称");
    EXPECT_TRUE(dialogs.messages.back().text.startsWith(QStringLiteral("合并成功")));
    EXPECT_TRUE(window->button(app::cmd::MergeSave)->isEnabled());

    click(app::cmd::ViewResult);
    ASSERT_FALSE(dialogs.opened.empty());
    EXPECT_TRUE(dialogs.opened.back().isLocalFile());
    EXPECT_TRUE(std::filesystem::equivalent(dialogs.opened.back().toLocalFile().toStdString(),
                                            dir.path() / "out"));
}

TEST_F(WindowCommandsTest, MenuItemsAndShortcutsReachTheirCommands) {
    trigger(app::cmd::Usage);
    trigger(app::cmd::RevisionHistory);
    ASSERT_EQ(dialogs.infoDialogs.size(), 2u);
    EXPECT_EQ(dialogs.infoDialogs[0].dialog, app::InfoDialog::Usage);
    EXPECT_EQ(dialogs.infoDialogs[1].dialog, app::InfoDialog::RevisionHistory);
    EXPECT_EQ(dialogs.infoDialogs[0].topLeft, area().mapToGlobal(QPoint(0, 0)));

    trigger(app::cmd::LatestVersion);
    ASSERT_EQ(dialogs.opened.size(), 1u);
    EXPECT_EQ(dialogs.opened[0].toString(),
              q("http://" + ui::publisherHost() + "/html/2023/software_1106/35.html"));

    // About from the keyboard, whichever control holds the focus.
    window->activateWindow();
    window->table().setFocus();
    QTest::keyClick(&window->table(), Qt::Key_Slash, Qt::AltModifier);
    window->button(app::cmd::Delete)->setFocus();
    QTest::keyClick(window->button(app::cmd::Delete), Qt::Key_Question, Qt::AltModifier);
    ASSERT_EQ(dialogs.infoDialogs.size(), 4u);
    EXPECT_EQ(dialogs.infoDialogs[2].dialog, app::InfoDialog::About);
    EXPECT_EQ(dialogs.infoDialogs[3].dialog, app::InfoDialog::About);

    // The folder import asks for one file and takes its whole folder.
    std::filesystem::create_directory(dir.path() / "pics");
    writeFile(dir / "pics/1.jpg", "123");
    writeFile(dir / "pics/2.jpg", "4567");
    dialogs.filesToOpen.push_back({q(dir / "pics/1.jpg")});
    trigger(app::cmd::FolderImport);
    EXPECT_FALSE(dialogs.fileRequests.back().multiple);
    EXPECT_EQ(list().rowCount(), 2);
    EXPECT_EQ(dialogs.messages.back().text, QStringLiteral("总共添加 2 个文件"));

    trigger(app::cmd::Exit);
    EXPECT_FALSE(window->isVisible());
}

TEST_F(WindowCommandsTest, DroppedFilesAndFoldersAreAdded) {
    writeFile(dir / "one.bin", "1");
    writeFile(dir / "two.avi", "22");
    std::filesystem::create_directory(dir.path() / "folder");
    writeFile(dir / "folder/x.dot", "333");
    writeFile(dir / "folder/y", "4444");

    drop({QUrl::fromLocalFile(q(dir / "one.bin")), QUrl::fromLocalFile(q(dir / "two.avi"))});
    ASSERT_EQ(list().rowCount(), 2);
    EXPECT_EQ(cell(1, 1), q(dir / "two.avi"));
    EXPECT_EQ(cell(1, 4), QStringLiteral(".avi"));
    EXPECT_EQ(dialogs.messages.back().text, QStringLiteral("总共添加 2 个文件"));

    const std::size_t messagesBefore = dialogs.messages.size();
    drop({QUrl::fromLocalFile(q(dir / "folder"))});
    EXPECT_EQ(list().rowCount(), 4);
    EXPECT_EQ(dialogs.messages.size(), messagesBefore + 1);
    EXPECT_EQ(dialogs.messages.back().text, QStringLiteral("总共添加 2 个文件"));
    EXPECT_EQ(shown(app::Display::FileCount), QStringLiteral("4"));
    EXPECT_EQ(shown(app::Display::Capacity), QStringLiteral("10"));

    // Something that is not a local file is turned away at the door.
    QMimeData web;
    web.setUrls({QUrl(QStringLiteral("http://example.org/a.bin"))});
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &web, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window->table().viewport(), &enter);
    EXPECT_FALSE(enter.isAccepted());
}

} // namespace
} // namespace zd::test

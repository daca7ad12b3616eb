// The real buttons, menu items, shortcuts and drops reach the commands, and
// what the commands ask of the port shows up in the window.
#include "test_files.h"
#include "window_fixture.h"

#include <QAction>
#include <QDropEvent>
#include <QMimeData>

namespace zd::test {
namespace {

using WindowCommands = WindowTest;

// Each control by its id reaches its own command: what the command asks
// first tells which ran; the offset commands show in the two edits.
TEST_F(WindowCommands, EachControlReachesItsCommand) {
    struct Row {
        const char* id;
        const char* first;
        Qt::Key altKey = Qt::Key_unknown; // pressed with Alt on the control
    };
    const Row rows[] = {
        {"203", "open 选择导入文件（多选）"},
        {"210", "open 选择存档文件"},
        {"204", "save 选择保存位置和文件名称"},
        {"201", "message 提示 请选择要删除的行。"},
        {"202", "message 提示 确定要全部清空吗？"},
        {"205", "message 提示 已经是第一行！"},
        {"206", "message 提示 已经是最后一行！"},
        {"209", "message 提示 尚未保存过文件，暂无可查看的输出文件夹。"},
        {"404", "message 前置添加文件信息说明 "},
        {"601", "offset 0x100 capacity 256"},
        {"207", "offset 4352 capacity 4352"},
        {"208", "offset 256 capacity 256"},
        {"32785", "open 选择任一文件即导入当前文件夹所有文件"},
        {"32783", "dialog 129"},
        {"32796", "dialog 134"},
        {"104", "dialog 103"},
        {"300", "dialog 103", Qt::Key_Slash},
        {"203", "dialog 103", Qt::Key_Question},
        {"32797", "url http://www.example.com/html/2023/software_1106/35.html"},
        {"105", "closed"},
    };
    window.activateWindow();
    window.display(app::Display::FrontOffset).setText("0x100"); // typing alone runs nothing
    for (const Row& row : rows) {
        SCOPED_TRACE(row.id);
        QObject* control = window.findChild<QObject*>(row.id);
        ASSERT_NE(control, nullptr);
        dialogs.log.clear();
        if (row.altKey != Qt::Key_unknown) {
            QTest::keyClick(qobject_cast<QWidget*>(control), row.altKey, Qt::AltModifier);
        } else if (auto* action = qobject_cast<QAction*>(control)) {
            action->trigger();
        } else {
            QTest::mouseClick(qobject_cast<QWidget*>(control), Qt::LeftButton);
        }
        const QString state = window.isVisible() ? "offset " + shown(app::Display::FrontOffset) +
                                                       " capacity " + shown(app::Display::Capacity)
                                                 : "closed";
        EXPECT_TRUE(dialogs.log.value(0, state).startsWith(
            QString::fromUtf8(row.first).replace("www.example.com", q(ui::publisherHost()))))
            << dialogs.log.value(0, state).toStdString();
    }
    EXPECT_EQ(dialogs.dialogTopLeft, area().mapToGlobal(QPoint(0, 0)));
}

// Files and a folder dropped on the list are added; the port then keeps the
// selection with a moved row and leaves the current row where it was.
TEST_F(WindowCommands, DropsAddAndSelectionFollowsAMove) {
    const auto drop = [this](const QList<QUrl>& urls) {
        QMimeData mime;
        mime.setUrls(urls);
        QWidget* viewport = window.table().viewport();
        QDragEnterEvent enter({20, 20}, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QDropEvent dropped({20, 20}, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(viewport, &enter);
        return enter.isAccepted() && QApplication::sendEvent(viewport, &dropped);
    };
    TempDir dir;
    writeFile(dir / "one.bin", "1");
    std::filesystem::create_directory(dir.path() / "folder");
    writeFile(dir / "folder/x.dot", "333");
    writeFile(dir / "folder/y", "4444");
    EXPECT_FALSE(drop({QUrl("http://example.org/a.bin")})); // not a local file
    ASSERT_TRUE(drop({QUrl::fromLocalFile(q(dir / "one.bin")), QUrl::fromLocalFile(q(dir / "folder"))}));
    EXPECT_EQ(cell(1, 1), q(dir / "folder/x.dot"));
    EXPECT_EQ(dialogs.log, QStringList{"message 提示 总共添加 3 个文件"});
    EXPECT_EQ(shown(app::Display::Capacity), "8");

    window.table().selectRow(0);
    const QModelIndex current = window.table().currentIndex();
    QTest::mouseClick(window.button(app::cmd::MoveDown), Qt::LeftButton);
    EXPECT_EQ(cell(1, 1), q(dir / "one.bin"));
    const QModelIndexList selected = window.table().selectionModel()->selectedRows();
    ASSERT_EQ(selected.size(), 1);
    EXPECT_EQ(selected[0].row(), 1);
    EXPECT_EQ(window.table().currentIndex(), current);
}

} // namespace
} // namespace zd::test

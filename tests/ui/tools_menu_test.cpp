// The Qt window's header export, through its menu item, against what the
// command line writes for the same rows.
#include "tests/support/test_files.h"
#include "ui/dialog_layer.h"
#include "ui/main_window.h"

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <cstdlib>
#include <gtest/gtest.h>

namespace zd::test {
namespace {

// The save dialog gives `saved`; nothing else is asked for.
class SavingDialogs final : public ui::DialogLayer {
  public:
    QString saved;
    app::Answer message(QWidget*, const QString&, const QString&, app::Icon,
                        app::Buttons) override {
        return app::Answer::Ok;
    }
    QStringList openFiles(QWidget*, const app::FileDialogRequest&) override { return {}; }
    std::optional<QString> saveFile(QWidget*, const app::FileDialogRequest&) override {
        return saved;
    }
    void infoDialog(QWidget*, app::InfoDialog, QPoint) override {}
    void openExternal(const QUrl&) override {}
};

// 工具 sits between 文件 and 帮助; its first item writes, byte for byte, the
// header the command line's merge writes for the rows, offset and table on
// screen.
TEST(ToolsMenu, ExportsTheCommandLinesHeader) {
    TempDir dir;
    SavingDialogs dialogs;
    ui::MainWindow window{dialogs};
    const QList<QAction*> menus = window.menuBar()->actions();
    ASSERT_EQ(menus.size(), 3);
    EXPECT_EQ(menus[1]->text(), QStringLiteral("工具(&T)"));
    writeFile(dir / "a.bin", patternBytes(1234, 1));
    writeFile(dir / "b.dot", patternBytes(5000, 2));
    window.commands().onDrop({dir / "a.bin", dir / "b.dot"});
    window.display(app::Display::FrontOffset).setText("4096");
    window.commands().onCommand(app::cmd::ApplyOffset, app::kNotifyClick);
    const std::string merge = std::string(ZD_CLI_BINARY) + " merge -q -f 4096 -o '" + dir / "cli" +
                              "' --c-table --c-header '" + dir / "cli_layout.h" + "' '" +
                              dir / "a.bin" + "' '" + dir / "b.dot" + "'";
    ASSERT_EQ(std::system(merge.c_str()), 0);
    dialogs.saved = QString::fromStdString(dir / "win.h");
    menus[1]->menu()->actions().front()->trigger();
    EXPECT_EQ(readFile(dir / "win.h"), readFile(dir / "cli_layout.h"));
}

} // namespace
} // namespace zd::test

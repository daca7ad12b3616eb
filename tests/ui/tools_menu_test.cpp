// The tools menu of the Qt window, driven through its items with scripted
// dialogs, against what the command line writes for the same rows.
#include "app/messages.h"
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

// Logs every message's caption and text; the file dialogs give what the
// test scripted, in order.
class ScriptedDialogs final : public ui::DialogLayer {
  public:
    QStringList log, chosen;

    app::Answer message(QWidget*, const QString& text, const QString& caption, app::Icon,
                        app::Buttons) override {
        log << caption + " " + text;
        return app::Answer::Ok;
    }
    QStringList openFiles(QWidget*, const app::FileDialogRequest&) override {
        return {chosen.takeFirst()};
    }
    std::optional<QString> saveFile(QWidget*, const app::FileDialogRequest&) override {
        return chosen.takeFirst();
    }
    void infoDialog(QWidget*, app::InfoDialog, QPoint) override {}
    void openExternal(const QUrl&) override {}
};

// 工具 sits between 文件 and 帮助. Its export writes the header the command
// line's merge writes beside its image, byte for byte; verify finds that
// image good, and the table shows its rows.
TEST(ToolsMenu, ExportVerifyAndInspectAsTheCommandLine) {
    TempDir dir;
    ScriptedDialogs dialogs;
    ui::MainWindow window{dialogs};
    const QList<QAction*> menus = window.menuBar()->actions();
    ASSERT_EQ(menus.size(), 3);
    EXPECT_EQ(menus[1]->text(), QStringLiteral("工具(&T)"));
    const QList<QAction*> items = menus[1]->menu()->actions();
    ASSERT_EQ(items.size(), 3);
    writeFile(dir / "a.bin", patternBytes(1234, 1));
    writeFile(dir / "b.dot", patternBytes(5000, 2));
    window.commands().onDrop({dir / "a.bin", dir / "b.dot"});
    window.display(app::Display::FrontOffset).setText("4096");
    window.commands().onCommand(app::cmd::ApplyOffset, app::kNotifyClick);
    window.commands().state().fileInfo = true;
    const std::string merge = std::string(ZD_CLI_BINARY) + " merge -q -i -f 4096 -o '" +
                              dir / "cli" + "' --c-table --c-header '" + dir / "cli_layout.h" +
                              "' '" + dir / "a.bin" + "' '" + dir / "b.dot" + "'";
    ASSERT_EQ(std::system(merge.c_str()), 0);

    dialogs.chosen = {
        QString::fromStdString(dir / "win.h"), QString::fromStdString(dir / "cli.bin"),
        QString::fromStdString(dir / "cli.h"), QString::fromStdString(dir / "cli.bin")};
    for (QAction* item : items) {
        item->trigger();
    }
    EXPECT_EQ(readFile(dir / "win.h"), readFile(dir / "cli_layout.h"));
    ASSERT_EQ(dialogs.log.size(), 4);
    EXPECT_EQ(dialogs.log[2],
              QString::fromStdString("校验镜像 " + app::text::verifyPassed(2, true)));
    EXPECT_TRUE(dialogs.log[3].endsWith("\n1\t4096\t1234\t5330\n2\t5330\t5000\t10330"))
        << dialogs.log[3].toStdString();
}

} // namespace
} // namespace zd::test

// The merge settings in the Qt window: the dialog built from the app's
// table, the settings kept in the INI file, and a merge-save with them that
// writes what the command line writes with the same options.
#include "app/merge_settings.h"
#include "app/settings_dialog.h"
#include "tests/support/test_files.h"
#include "tests/ui/fake_dialogs.h"
#include "tests/ui/qstring_printer.h"
#include "ui/settings_dialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace zd::test {
namespace {

// Every setting away from its default, in the INI file's words.
const char* const kEverySetting = "[merge]\n"
                                  "align=4K\nfill=0x00\nflash_size=1M\npad=true\nreserve=10%\n"
                                  "keep_layout=true\nc_header=true\nc_table=true\nprefix=FW_\n"
                                  "manifest=true\nihex=true\nsrec=true\nbase=0x08000000\n";
// The same as the command line's options, after -o.
const char* const kEveryOption =
    "--align 4K --fill 0x00 --flash-size 1M --pad --reserve 10% "
    "--keep-layout --c-header $S_layout.h --c-table --prefix FW_ "
    "--manifest $S.json --ihex $S.hex --srec $S.srec --base 0x08000000";

std::string settingsFile() {
    return (QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
            "/zadodaziderav/zadodaziderav.conf")
        .toStdString();
}

// The dialog's focus walk from its first field, by each field's key (a
// button by its text), once round.
QString tabWalk(QDialog& dialog) {
    QStringList walked;
    dialog.findChild<QWidget*>("align")->setFocus();
    for (int step = 0; step < 19; ++step) {
        QWidget* focus = QApplication::focusWidget();
        QWidget* field = focus->parentWidget() == &dialog ? focus : focus->parentWidget();
        const auto* button = qobject_cast<QPushButton*>(field);
        walked << (button ? button->text() : field->objectName());
        QTest::keyClick(focus, Qt::Key_Tab);
    }
    return walked.join(' ');
}

// The fields in the table's order and places, each text whole in its room;
// Tab walks them in that order; the common alignments to pick from; 确定
// with a malformed value says so and stays open, with good ones closes and
// gives every value; 取消 closes.
TEST(MergeSettingsDialog, FieldsTabOrderAndCheck) {
    app::MergeSettings settings;
    settings.fill = 0;
    settings.cHeader = true;
    QStringList told;
    ui::SettingsDialog dialog(app::shownTexts(settings), app::dialogProblem,
                              [&told](const QString& problem) { told << problem; });
    dialog.show();
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    EXPECT_EQ(dialog.windowTitle(), "合并选项");
    QStringList shown;
    QList<const QWidget*> placed;
    for (const app::DialogField& field : app::kSettingsFields) {
        // A field by its key, any other control by its text.
        const QString wanted = QString::fromUtf8(*field.key ? field.key : field.text);
        const QWidget* widget = nullptr;
        for (const QWidget* child : dialog.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            const auto* label = qobject_cast<const QLabel*>(child);
            const auto* button = qobject_cast<const QAbstractButton*>(child);
            const auto* frame = qobject_cast<const QGroupBox*>(child);
            const QString name = *field.key ? child->objectName()
                                 : label    ? label->text()
                                 : button   ? button->text()
                                 : frame    ? frame->title()
                                            : QString();
            widget = name == wanted ? child : widget;
        }
        ASSERT_NE(widget, nullptr) << field.text << field.key;
        EXPECT_TRUE(dialog.rect().contains(widget->geometry())) << field.text << field.key;
        if (field.kind == app::FieldKind::Label || field.kind == app::FieldKind::Check) {
            EXPECT_LE(widget->sizeHint().width(), widget->width()) << field.text << " is cut";
        }
        if (field.kind != app::FieldKind::Group) {
            for (const QWidget* other : placed) {
                EXPECT_FALSE(other->geometry().intersects(widget->geometry()))
                    << field.text << field.key << " lies over "
                    << other->objectName().toStdString();
            }
            placed << widget;
        }
        if (const auto* box = qobject_cast<const QCheckBox*>(widget)) {
            EXPECT_EQ(box->text(), QString::fromUtf8(field.text));
            shown << QString(box->isChecked() ? "+" : "-") + field.key;
        } else if (const auto* edit = qobject_cast<const QLineEdit*>(widget)) {
            shown << edit->text();
        }
    }
    // (The flash size and the reserve are empty: none.)
    EXPECT_EQ(shown.join(' '), "0x00  -pad  -keep_layout +c_header -c_table ZD_ -manifest -ihex "
                               "-srec 0x00000000 -map -flashrom_layout -fmap");
    EXPECT_EQ(tabWalk(dialog), "align fill flash_size pad reserve keep_layout c_header c_table "
                               "prefix manifest ihex srec base map flashrom_layout fmap 确定 取消 "
                               "align");
    auto* align = dialog.findChild<QComboBox*>("align");
    QStringList choices;
    for (int i = 0; i < align->count(); ++i) {
        choices << align->itemText(i);
    }
    EXPECT_EQ(choices.join(' ') + " | " + align->currentText(), "无 4K 64K | 无");
    align->setCurrentIndex(2);

    QPushButton* ok = dialog.findChild<QPushButton*>();
    ASSERT_EQ(ok->text(), "确定");
    dialog.findChild<QLineEdit*>("fill")->setText("0x100");
    QTest::mouseClick(ok, Qt::LeftButton);
    EXPECT_EQ(told, QStringList{"填充字节：“0x100”不是 0x00 到 0xFF 之间的字节。"});
    EXPECT_TRUE(dialog.isVisible());
    dialog.findChild<QLineEdit*>("fill")->setText("1");
    QTest::mouseClick(dialog.findChild<QCheckBox*>("fmap"), Qt::LeftButton);
    QTest::mouseClick(ok, Qt::LeftButton);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    app::SettingTexts expected = app::shownTexts(settings);
    expected["align"] = "64K";
    expected["fill"] = "1";
    expected["fmap"] = "true";
    EXPECT_EQ(dialog.values(), expected);
    dialog.show();
    QTest::keyClick(&dialog, Qt::Key_Escape);
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
}

// The real dialog layer runs the dialog over the window: what 确定 gave, a
// malformed value told in a message owned by the dialog; nothing for 取消.
TEST(MergeSettingsDialog, RunByTheDialogLayer) {
    class Layer final : public ui::QtDialogLayer {
      public:
        QString told;
        app::Answer message(QWidget* owner, const QString& text, const QString& caption,
                            app::Icon icon, app::Buttons) override {
            told += owner->windowTitle() + "|" + caption + "|" +
                    QString::number(static_cast<int>(icon)) + "|" + text;
            return app::Answer::Ok;
        }
    } layer;
    QWidget owner;
    for (const bool keep : {true, false}) {
        QTimer::singleShot(0, [keep] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            dialog->findChild<QLineEdit*>("base")->setText("x");
            dialog->accept(); // told, and still open
            dialog->findChild<QLineEdit*>("base")->setText("16");
            keep ? dialog->accept() : dialog->reject();
        });
        const auto given = layer.mergeSettings(&owner, app::shownTexts({}), app::dialogProblem);
        EXPECT_EQ(given.has_value(), keep);
        EXPECT_EQ(given.value_or(app::SettingTexts{})["base"], keep ? "16" : "");
    }
    EXPECT_EQ(layer.told, "合并选项|提示|2|基地址：“x”不是小于 4G 的地址（如 0x08000000）。"
                          "合并选项|提示|2|基地址：“x”不是小于 4G 的地址（如 0x08000000）。");
}

class WindowSettings : public ::testing::Test {
  protected:
    void TearDown() override { std::filesystem::remove(settingsFile()); }
    void writeSettings(const std::string& text) {
        std::filesystem::create_directories(std::filesystem::path(settingsFile()).parent_path());
        writeFile(settingsFile(), text);
    }
    QAction* settingsItem() { return window.menuBar()->actions()[1]->menu()->actions().last(); }
    QString takeLog() { return std::exchange(dialogs.log, {}); }

    TempDir dir;
    FakeDialogs dialogs;
    ui::MainWindow window{dialogs};
};

// A user without the file sees the defaults and gets no file; 确定 writes
// every key into the [merge] section of Qt's INI file in the user's config
// folder, read back the same by the next window; a malformed key is told
// once and is its default.
TEST_F(WindowSettings, KeptInTheIniFile) {
    ASSERT_EQ(settingsFile(),
              qgetenv("XDG_CONFIG_HOME").toStdString() + "/zadodaziderav/zadodaziderav.conf");
    window.commands().loadMergeSettings();
    EXPECT_EQ(window.commands().state().settings, app::MergeSettings{});
    EXPECT_FALSE(std::filesystem::exists(settingsFile()));
    EXPECT_EQ(settingsItem()->text(), "合并选项…");

    app::MergeSettings settings;
    settings.alignment = 4096;
    settings.reserve = {25, true};
    settings.manifest = true;
    dialogs.settings = app::shownTexts(settings);
    settingsItem()->trigger();
    EXPECT_EQ(takeLog(), "settings\n");
    const std::string kept = readFile(settingsFile());
    EXPECT_NE(kept.find("[merge]\nalign=4K\nbase=0x00000000\nc_header=false\n"), std::string::npos)
        << kept;
    EXPECT_NE(kept.find("\nreserve=25%\n"), std::string::npos) << kept;
    ui::MainWindow next{dialogs};
    next.commands().loadMergeSettings();
    EXPECT_EQ(next.commands().state().settings, settings);
    EXPECT_EQ(takeLog(), "");

    writeSettings("[merge]\nalign=3\nfill=0x00\nprefix=a,b\n");
    next.commands().loadMergeSettings();
    EXPECT_EQ(takeLog(), "message 提示 ! 以下合并选项的值\n");
    EXPECT_EQ(next.commands().state().settings.alignment, 1u);
    EXPECT_EQ(next.commands().state().settings.fill, 0);
}

// Merge-save with every setting from the INI file writes what the command
// line writes with the same options, byte for byte, and again after a file
// grew past its slot, the layout kept.
TEST_F(WindowSettings, MergeSaveWritesWhatTheCommandLineWrites) {
    writeSettings(kEverySetting);
    window.commands().loadMergeSettings();
    const std::string a = dir / "a.bin", b = dir / "b.dot";
    writeFile(b, patternBytes(700, 2));
    std::filesystem::create_directories(dir / "win");
    std::filesystem::create_directories(dir / "cli");
    dialogs.saved = q(dir / "win/img.bin");
    for (const int size : {3000, 9000}) {
        writeFile(a, patternBytes(size, 1));
        window.commands().list().clear();
        dialogs.opened = {q(a), q(b)};
        QTest::mouseClick(window.button(app::cmd::AddFiles), Qt::LeftButton);
        QTest::mouseClick(window.button(app::cmd::MergeSave), Qt::LeftButton);
        EXPECT_EQ(takeLog(), "open 选择导入文件（多选）\nmessage 提示 i 总共添加 2 个\n"
                             "save 选择保存位置和文件名称\nmessage 提示 i 合并成功！成功创\n");
        QProcess cli;
        const QString stem = q(dir / "cli/img");
        QStringList args{"merge", "-o", stem};
        args += QString(kEveryOption).replace("$S", stem).split(' ');
        args += {q(a), q(b)};
        cli.start(ZD_CLI_BINARY, args);
        ASSERT_TRUE(cli.waitForFinished(30000));
        ASSERT_EQ(cli.exitCode(), 0) << cli.readAllStandardError().toStdString();
        const std::vector<std::string> written = namesIn(dir / "win");
        EXPECT_EQ(written, (std::vector<std::string>{"img.bin", "img.h", "img.hex", "img.json",
                                                     "img.srec", "img_layout.h"}));
        EXPECT_EQ(namesIn(dir / "cli"), written);
        for (const std::string& name : written) {
            EXPECT_EQ(readFile(dir / ("win/" + name)), readFile(dir / ("cli/" + name))) << name;
        }
    }
    EXPECT_EQ(readFile(dir / "win/img.bin").size(), 1u << 20); // padded to the flash
}

} // namespace
} // namespace zd::test

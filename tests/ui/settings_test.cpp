// The merge settings in the Qt window: the dialog built from the app's
// table, the settings kept in the INI file, and a merge-save with them that
// writes what the command line writes with the same options.
#include "app/merge_settings.h"
#include "app/settings_dialog.h"
#include "tests/support/settings_outputs.h"
#include "tests/ui/fake_dialogs.h"
#include "tests/ui/qstring_printer.h"
#include "ui/settings_dialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>

namespace zd::test {
namespace {

// What the dialog shows: each text field's text, each switch as +key or
// -key; a control outside the dialog, over another or too small for its
// text is named, and a label not naming the field after it.
QString look(const QDialog& dialog) {
    QStringList seen;
    QList<const QWidget*> placed;
    for (const QWidget* child : dialog.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        const QRect at = child->geometry();
        const bool text = child->inherits("QLabel") || child->inherits("QCheckBox");
        seen << (dialog.rect().contains(at) ? "" : "out:" + child->objectName())
             << (text && child->sizeHint().width() > at.width() ? "cut:" + child->objectName()
                                                                : "");
        const auto* label = qobject_cast<const QLabel*>(child);
        seen << (label && !label->buddy() ? "alone:" + label->text() : "");
        const bool frame = child->inherits("QGroupBox");
        for (const QWidget* other : frame ? QList<const QWidget*>{} : placed) {
            seen << (other->geometry().intersects(at) ? "over:" + child->objectName() : "");
        }
        frame ? void() : placed.push_back(child);
    }
    for (const app::DialogField& field : app::kSettingsFields) {
        if (*field.key == '\0') {
            continue;
        }
        if (const auto* box = dialog.findChild<QCheckBox*>(field.key)) {
            seen << (box->text() == field.text ? "" : "text:") +
                        QString(box->isChecked() ? "+" : "-") + field.key;
        } else if (const auto* edit = dialog.findChild<QLineEdit*>(field.key)) {
            seen << edit->text();
        }
    }
    seen.removeAll("");
    return seen.join(' ');
}

// The focus walk from the first field, by each field's key (a button by its
// text), once round.
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

// The real dialog layer runs the dialog over its owner: every field of the
// table whole in its room, none over another; Tab walks them in the table's
// order; the common alignments to pick from; 确定 with a malformed value
// tells it over the dialog and keeps it open, with good ones gives every
// value; 取消 gives nothing.
TEST(MergeSettingsDialog, FieldsTabOrderAndCheck) {
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
    app::MergeSettings settings;
    settings.fill = 0;
    settings.cHeader = true;
    QString seen;
    QTimer::singleShot(0, [&seen] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        ASSERT_TRUE(dialog != nullptr && QTest::qWaitForWindowActive(dialog));
        auto* align = dialog->findChild<QComboBox*>("align");
        seen = dialog->windowTitle() + " " + look(*dialog) + "\n" + tabWalk(*dialog) + "\n";
        for (int i = 0; i < align->count(); ++i) {
            seen += align->itemText(i) + " ";
        }
        align->setCurrentIndex(2);
        QPushButton* ok = dialog->findChild<QPushButton*>();
        dialog->findChild<QLineEdit*>("fill")->setText("0x100");
        ok->click();
        seen += dialog->isVisible() ? "open" : "closed";
        dialog->findChild<QLineEdit*>("fill")->setText("1");
        dialog->findChild<QCheckBox*>("fmap")->click();
        ok->click();
    });
    const auto kept = layer.mergeSettings(&owner, app::shownTexts(settings), app::dialogProblem);
    // (The flash size and the reserve are empty: none.)
    EXPECT_EQ(seen, "合并选项 0x00 -pad -keep_layout +c_header -c_table ZD_ -manifest -ihex -srec "
                    "0x00000000 -map -flashrom_layout -fmap\n"
                    "align fill flash_size pad reserve keep_layout c_header c_table prefix "
                    "manifest ihex srec base map flashrom_layout fmap 确定 取消 align\n"
                    "无 4K 64K open");
    EXPECT_EQ(layer.told, "合并选项|提示|2|填充字节：“0x100”不是 0x00 到 0xFF 之间的字节。");
    app::SettingTexts expected = app::shownTexts(settings);
    expected["align"] = "64K";
    expected["fill"] = "1";
    expected["fmap"] = "true";
    EXPECT_EQ(kept, expected);
    QTimer::singleShot(0, [] { QApplication::activeModalWidget()->close(); });
    EXPECT_EQ(layer.mergeSettings(&owner, expected, app::dialogProblem), std::nullopt);
}

class WindowSettings : public ::testing::Test {
  protected:
    static std::string settingsFile() {
        return (QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                "/zadodaziderav/zadodaziderav.conf")
            .toStdString();
    }
    void TearDown() override { std::filesystem::remove(settingsFile()); }
    void writeSettings(const std::string& text) {
        std::filesystem::create_directories(std::filesystem::path(settingsFile()).parent_path());
        writeFile(settingsFile(), "[merge]\n" + text);
    }
    QString takeLog() { return std::exchange(dialogs.log, {}); }

    TempDir dir;
    FakeDialogs dialogs;
    ui::MainWindow window{dialogs};
};

// A user without the file sees the defaults and gets no file; 确定 writes
// every key, and only those, into the [merge] section of Qt's INI file in
// the user's config folder, read back the same by the next window, or says
// it could not. A malformed key is told once and is its default, also one
// Qt reads as a list.
TEST_F(WindowSettings, KeptInTheIniFile) {
    ASSERT_EQ(settingsFile(),
              qgetenv("XDG_CONFIG_HOME").toStdString() + "/zadodaziderav/zadodaziderav.conf");
    window.commands().loadMergeSettings();
    EXPECT_EQ(window.commands().state().settings, app::MergeSettings{});
    EXPECT_FALSE(std::filesystem::exists(settingsFile()));
    app::MergeSettings settings;
    settings.alignment = 4096;
    settings.reserve = {25, true};
    dialogs.settings = app::shownTexts(settings);
    QAction* item = window.menuBar()->actions()[1]->menu()->actions().last();
    EXPECT_EQ(item->text(), "合并选项…");
    writeSettings("stale=1\n");
    item->trigger();
    const std::string kept = readFile(settingsFile());
    EXPECT_NE(kept.find("[merge]\nalign=4K\nbase=0x00000000\nc_header=false\n"), std::string::npos)
        << kept;
    EXPECT_NE(kept.find("\nreserve=25%\n"), std::string::npos) << kept;
    EXPECT_EQ(kept.find("stale"), std::string::npos) << kept;
    ui::MainWindow next{dialogs};
    next.commands().loadMergeSettings();
    EXPECT_EQ(next.commands().state().settings, settings);

    writeSettings("fill=0x00\nflash_size=1M,2M\n");
    next.commands().loadMergeSettings();
    EXPECT_EQ(takeLog(), "settings\nmessage 提示 ! 以下合并选项的值\n");
    EXPECT_EQ(next.commands().state().settings.flashSize, 0u);
    EXPECT_EQ(next.commands().state().settings.fill, 0);
    std::filesystem::remove(settingsFile());
    std::filesystem::create_directory(settingsFile()); // where the file should go
    item->trigger();
    std::filesystem::remove(settingsFile());
    EXPECT_EQ(takeLog(), "settings\nmessage 提示 ! 合并选项未能保存\n");
    item->trigger(); // Qt holds what it could not write until it can
    EXPECT_EQ(takeLog(), "settings\n");
}

// Merge-save with every setting from the INI file writes what the command
// line writes with the same options, byte for byte, and again after a file
// grew past its slot, the layout kept.
TEST_F(WindowSettings, MergeSaveWritesWhatTheCommandLineWrites) {
    std::string text;
    for (const auto& [key, value] : kEverySetting) {
        text += std::string(key) + "=" + value + "\n";
    }
    writeSettings(text);
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
        QStringList args;
        for (const std::string& arg : everyOption(dir / "cli/img", {a, b})) {
            args << q(arg);
        }
        cli.start(ZD_CLI_BINARY, args);
        ASSERT_TRUE(cli.waitForFinished(30000));
        ASSERT_EQ(cli.exitCode(), 0) << cli.readAllStandardError().toStdString();
        expectSameOutputs(dir / "win", dir / "cli");
    }
    EXPECT_EQ(readFile(dir / "win/img.bin").size(), 1u << 20); // padded to the flash
}

} // namespace
} // namespace zd::test

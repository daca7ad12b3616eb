// The real dialogs as the dialog layer sets them up, and the progress of a
// long merge.
#include "tests/support/test_files.h"
#include "tests/ui/qstring_printer.h"
#include "ui/dialog_layer.h"
#include "ui/progress_window.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QProgressDialog>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>
#include <optional>

namespace zd::ui {
namespace {

// Runs `inspect` on the modal dialog the next call opens, which must close it.
template <typename Dialog> void whenModalOpens(std::function<void(Dialog*)> inspect) {
    QTimer::singleShot(0, [inspect = std::move(inspect)] {
        QPointer<QWidget> modal = QApplication::activeModalWidget();
        ASSERT_NE(qobject_cast<Dialog*>(modal), nullptr);
        inspect(qobject_cast<Dialog*>(modal));
        if (modal && modal->isVisible()) { // a failed check must not leave it open
            ADD_FAILURE() << "the dialog was left open";
            modal->close();
        }
    });
}

// What `open` showed in its modal dialog, which `key` then closed: the title;
// a message box's text and icon (i, !, x), another dialog's top-left corner;
// the buttons ("*": the default, with the focus); "picture" for a label with
// one. A label's text cut off, outside the dialog or over another fails.
QString shownBy(const std::function<void()>& open, Qt::Key key) {
    QString seen;
    whenModalOpens<QDialog>([&](QDialog* dialog) {
        seen = dialog->windowTitle();
        if (const auto* box = qobject_cast<QMessageBox*>(dialog)) {
            seen += " " + box->text() + " " + QString("-i!x?").at(box->icon());
        } else {
            seen += QString(" at %1,%2").arg(dialog->x()).arg(dialog->y());
        }
        for (const QPushButton* button : dialog->findChildren<QPushButton*>()) {
            seen += " " + button->text() +
                    (button->isDefault() && dialog->focusWidget() == button ? "*" : "");
        }
        const QList<QLabel*> labels = dialog->findChildren<QLabel*>();
        for (const QLabel* label : labels) {
            seen += label->pixmap().isNull() ? "" : " picture";
            EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()), label->width())
                << label->text().toStdString();
            EXPECT_TRUE(dialog->rect().contains(label->geometry()));
            for (const QLabel* other : labels) {
                EXPECT_TRUE(other == label || !other->geometry().intersects(label->geometry()));
            }
        }
        QTest::keyClick(dialog, key);
    });
    open();
    return seen;
}

// The information dialogs at the given corner, OK the default; the message
// boxes with their caption, the icon asked for, Chinese buttons. Esc and
// Return close them all; in a question Return answers Yes, Esc No.
TEST(QtDialogLayer, InfoDialogsAndMessageBoxes) {
    using app::InfoDialog;
    const std::tuple<InfoDialog, Qt::Key, const char*> infos[] = {
        {InfoDialog::About, Qt::Key_Escape, "关于 ZadodazidErav at 40,60 确定* picture"},
        {InfoDialog::Usage, Qt::Key_Return, "使用说明 at 40,60 确定*"},
        {InfoDialog::RevisionHistory, Qt::Key_Return, "版本历史 at 40,60 确定*"}};
    for (const auto& [which, key, shows] : infos) {
        const auto open = [which] { QtDialogLayer().infoDialog(nullptr, which, {40, 60}); };
        EXPECT_EQ(shownBy(open, key), QString::fromUtf8(shows));
    }
    using app::Answer, app::Buttons, app::Icon;
    const std::tuple<Icon, Buttons, Qt::Key, const char*, Answer> boxes[] = {
        {Icon::Warning, Buttons::YesNo, Qt::Key_Return, "提示 ? ! 是* 否 picture", Answer::Yes},
        {Icon::Information, Buttons::YesNo, Qt::Key_Escape, "提示 ? i 是* 否 picture", Answer::No},
        {Icon::Error, Buttons::Ok, Qt::Key_Escape, "提示 ? x 确定* picture", Answer::Ok}};
    for (const auto& [icon, buttons, key, shows, answer] : boxes) {
        Answer given{};
        const auto open = [&] {
            given = QtDialogLayer().message(nullptr, "?", "提示", icon, buttons);
        };
        EXPECT_EQ(shownBy(open, key), QString::fromUtf8(shows));
        EXPECT_EQ(given, answer);
    }
}

// The open dialog as the user reads it: its title and filters, the first
// selected. Every name typed into its name field comes back, whatever the
// filter shows and whatever Qt selected in its list, in the order typed;
// names that do not exist too, so that the command can say which were not
// added. The save dialog asks before it replaces a file.
TEST(QtDialogLayer, FileDialogs) {
    zd::test::TempDir dir;
    for (const char* name : {"a.bin", "b.bin", "c.dot"}) {
        zd::test::writeFile(dir / name, "x");
    }
    const QString folder = QString::fromStdString(dir.path().string());
    const auto typing = [&](const QString& typed) {
        whenModalOpens<QFileDialog>([&](QFileDialog* dialog) {
            // Qt's own texts are Chinese too.
            const auto* buttons = dialog->findChild<QDialogButtonBox*>("buttonBox");
            EXPECT_EQ(dialog->windowTitle() + " " + dialog->nameFilters().join('|') + " " +
                          dialog->findChild<QComboBox*>("fileTypeCombo")->currentText() + " " +
                          buttons->button(QDialogButtonBox::Open)->text(),
                      "选择导入文件（多选） BIN 文件（*.bin） (*.bin)|所有文件（*.*） (*) "
                      "BIN 文件（*.bin） 打开(&O)");
            EXPECT_EQ(dialog->fileMode(), QFileDialog::ExistingFiles);
            dialog->setDirectory(folder);
            QTest::qWait(200); // the dialog lists the folder, and selects what it shows
            auto* field = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            field->setFocus();
            QTest::keyClicks(field, typed);
            // Should Qt refuse the names with a box of its own, the dialog
            // ends here, choosing nothing, instead of waiting for someone.
            QTimer::singleShot(1000, dialog, [dialog] {
                QApplication::activeModalWidget()->close();
                dialog->reject();
            });
            QTest::keyClick(field, Qt::Key_Return);
        });
        const app::FileDialogRequest request{
            "选择导入文件（多选）",
            {{"BIN 文件（*.bin）", {"*.bin"}}, {"所有文件（*.*）", {"*.*"}}},
            true};
        return QtDialogLayer().openFiles(nullptr, request).join(' ').replace(folder + '/', "");
    };
    EXPECT_EQ(typing(R"("c.dot" "b.bin" "a.bin" "missing.bin")"), "c.dot b.bin a.bin missing.bin");
    const QByteArray home = qgetenv("HOME");
    qputenv("HOME", folder.toUtf8());
    EXPECT_EQ(typing("~/a.bin"), "a.bin");
    qputenv("HOME", home);

    whenModalOpens<QFileDialog>([](QFileDialog* dialog) {
        EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptSave);
        EXPECT_FALSE(dialog->testOption(QFileDialog::DontConfirmOverwrite));
        dialog->reject();
    });
    EXPECT_FALSE(QtDialogLayer().saveFile(nullptr, {"?", {}, false}));
}

// Once due, a dialog with the bar, also full, whose Cancel stops the merge;
// the end of the merge takes it away, and so does the window's end. (When it
// is due is the throttle's, tested with it.)
TEST(ProgressWindow, ShowsTheBarAndCancelStopsTheMerge) {
    QWidget owner;
    std::chrono::milliseconds now{0};
    std::optional<ProgressWindow> progress(std::in_place, &owner, [&now] { return now; });
    const auto shown = [&owner] { return owner.findChild<QProgressDialog*>(); };
    EXPECT_TRUE(progress->report(0, 1000));
    EXPECT_EQ(shown(), nullptr);
    now += std::chrono::seconds(1);
    EXPECT_TRUE(progress->report(1000, 1000));
    ASSERT_NE(shown(), nullptr);
    auto* cancel = shown()->findChild<QPushButton*>();
    EXPECT_EQ(shown()->windowTitle() + " " + shown()->labelText() + " " + cancel->text() + " " +
                  QString::number(shown()->value()) + (shown()->isVisible() ? "" : " hidden"),
              "提示 正在合并保存…… 取消 1000");
    // A click on Cancel waits in the queue until a report lets it through.
    QMetaObject::invokeMethod(cancel, &QPushButton::click, Qt::QueuedConnection);
    now += std::chrono::seconds(1);
    EXPECT_FALSE(progress->report(1000, 1000));
    progress->end();
    EXPECT_EQ(shown(), nullptr);
    for (const int seconds : {2, 3}) {
        now = std::chrono::seconds(seconds);
        progress->report(10, 1000);
    }
    ASSERT_NE(shown(), nullptr);
    progress.reset();
    EXPECT_EQ(shown(), nullptr);
}

} // namespace
} // namespace zd::ui

// The real dialogs as the dialog layer sets them up, and the progress of a
// long merge.
#include "tests/support/test_files.h"
#include "tests/ui/qstring_printer.h"
#include "ui/dialog_layer.h"
#include "ui/merge_progress.h"

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

// At the given corner, OK the default with the focus, no text cut off, outside
// or over another, the program's icon in About; Esc and Return close them.
TEST(QtDialogLayer, InfoDialogs) {
    const QPoint topLeft(40, 60);
    const std::pair<app::InfoDialog, const char*> all[] = {
        {app::InfoDialog::About, "关于 ZadodazidErav"},
        {app::InfoDialog::Usage, "使用说明"},
        {app::InfoDialog::RevisionHistory, "版本历史"}};
    for (const auto& [which, title] : all) {
        whenModalOpens<QDialog>([=, title = QString::fromUtf8(title)](QDialog* modal) {
            EXPECT_EQ(modal->windowTitle(), title);
            EXPECT_EQ(modal->pos(), topLeft);
            const auto* ok = qobject_cast<QPushButton*>(modal->focusWidget());
            ASSERT_NE(ok, nullptr);
            EXPECT_EQ(ok->text(), QStringLiteral("确定"));
            EXPECT_TRUE(ok->isDefault());
            bool icon = false;
            const QList<QLabel*> labels = modal->findChildren<QLabel*>();
            for (const QLabel* label : labels) {
                EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()), label->width())
                    << label->text().toStdString();
                EXPECT_TRUE(modal->rect().contains(label->geometry()));
                for (const QLabel* other : labels) {
                    EXPECT_TRUE(other == label || !other->geometry().intersects(label->geometry()));
                }
                icon = icon || !label->pixmap().isNull();
            }
            EXPECT_EQ(icon, which == app::InfoDialog::About);
            QTest::keyClick(modal,
                            which == app::InfoDialog::About ? Qt::Key_Escape : Qt::Key_Return);
        });
        QtDialogLayer().infoDialog(nullptr, which, topLeft);
    }
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

// Caption, the icon asked for, Chinese buttons; Return answers Yes, Esc No.
TEST(QtDialogLayer, MessageBoxes) {
    using app::Answer, app::Buttons, app::Icon;
    const std::tuple<Icon, Buttons, Qt::Key, QMessageBox::Icon, const char*, Answer> cases[] = {
        {Icon::Warning, Buttons::YesNo, Qt::Key_Return, QMessageBox::Warning, "是 否", Answer::Yes},
        {Icon::Information, Buttons::YesNo, Qt::Key_Escape, QMessageBox::Information, "是 否",
         Answer::No},
        {Icon::Error, Buttons::Ok, Qt::Key_Escape, QMessageBox::Critical, "确定", Answer::Ok}};
    for (const auto& [icon, buttons, key, shownIcon, texts, answer] : cases) {
        whenModalOpens<QMessageBox>([&](QMessageBox* box) {
            EXPECT_EQ(box->windowTitle() + " " + box->text(), QStringLiteral("提示 ?"));
            EXPECT_EQ(box->icon(), shownIcon);
            QStringList shown;
            for (QAbstractButton* button : box->buttons()) {
                shown << button->text();
            }
            EXPECT_EQ(shown.join(' '), QString::fromUtf8(texts));
            QTest::keyClick(box, key);
        });
        EXPECT_EQ(QtDialogLayer().message(nullptr, "?", QStringLiteral("提示"), icon, buttons),
                  answer);
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
            EXPECT_EQ(dialog->windowTitle(), QStringLiteral("选择导入文件（多选）"));
            EXPECT_EQ(dialog->fileMode(), QFileDialog::ExistingFiles);
            EXPECT_EQ(dialog->nameFilters(),
                      (QStringList{"BIN 文件（*.bin） (*.bin)", "所有文件（*.*） (*)"}));
            const auto* types = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
            EXPECT_EQ(types->currentText(), QStringLiteral("BIN 文件（*.bin）"));
            // Qt's own texts are Chinese too.
            const auto* open = dialog->findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
            EXPECT_EQ(open->button(QDialogButtonBox::Open)->text(), QStringLiteral("打开(&O)"));
            dialog->setDirectory(folder);
            QTest::qWait(200); // the dialog lists the folder, and selects what it shows
            auto* field = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            field->setFocus();
            QTest::keyClicks(field, typed);
            // Should Qt refuse the names with a box of its own, the dialog
            // ends here instead of waiting for someone to close it.
            QTimer::singleShot(1000, dialog, [dialog] {
                if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                    ADD_FAILURE() << "refused: " << box->text().toStdString();
                    box->close();
                }
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
    EXPECT_EQ(typing("b.bin"), "b.bin");
    EXPECT_EQ(typing(folder + "/c.dot"), "c.dot");
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
TEST(MergeProgress, ShowsTheBarAndCancelStopsTheMerge) {
    QWidget owner;
    std::chrono::milliseconds now{0};
    std::optional<MergeProgress> progress(std::in_place, &owner, [&now] { return now; });
    const auto shown = [&owner] { return owner.findChild<QProgressDialog*>(); };
    EXPECT_TRUE(progress->report(0, 1000));
    EXPECT_EQ(shown(), nullptr);
    now += std::chrono::seconds(1);
    EXPECT_TRUE(progress->report(1000, 1000));
    ASSERT_NE(shown(), nullptr);
    EXPECT_TRUE(shown()->isVisible());
    EXPECT_EQ(shown()->windowTitle() + " " + shown()->labelText(), "提示 正在合并保存……");
    EXPECT_EQ(shown()->value(), 1000);
    // A press on Cancel waits in the queue until a report lets it through.
    auto* cancel = shown()->findChild<QPushButton*>();
    EXPECT_EQ(cancel->text(), "取消");
    for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        const QPointF at = cancel->rect().center();
        QCoreApplication::postEvent(cancel, new QMouseEvent(type, at, cancel->mapToGlobal(at),
                                                            Qt::LeftButton, Qt::LeftButton, {}));
    }
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

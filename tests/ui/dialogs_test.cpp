// The information dialogs' layout and keys, and the real message boxes and
// file dialogs as the dialog layer sets them up.
#include "dialog_layer.h"
#include "info_dialogs.h"

#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

namespace zd::ui {
namespace {

// Runs `inspect` on the modal dialog the next call opens, which must close it.
void whenModalOpens(std::function<void(QWidget*)> inspect) {
    QTimer::singleShot(0, [inspect = std::move(inspect)] {
        QPointer<QWidget> modal = QApplication::activeModalWidget();
        ASSERT_NE(modal, nullptr);
        inspect(modal);
        if (modal && modal->isVisible()) { // a failed check must not leave it open
            ADD_FAILURE() << "the dialog was left open";
            modal->close();
        }
    });
}

TEST(InfoDialogs, LaidOutInDialogUnitsOfTheirFont) {
    struct Expected {
        app::InfoDialog which;
        const char* title;
        QSize units;
        QRect okUnits;
    };
    const Expected all[] = {
        {app::InfoDialog::About, "关于 ZadodazidErav", {170, 63}, {113, 42, 50, 14}},
        {app::InfoDialog::Usage, "使用说明", {275, 161}, {213, 139, 50, 14}},
        {app::InfoDialog::RevisionHistory, "版本历史", {249, 109}, {192, 88, 50, 14}},
    };
    for (const Expected& expected : all) {
        SCOPED_TRACE(expected.title);
        const auto dialog = makeInfoDialog(expected.which, nullptr);
        const DialogUnits units(dialog->font());
        EXPECT_EQ(dialog->windowTitle(), QString::fromUtf8(expected.title));
        EXPECT_EQ(dialog->size(),
                  QSize(units.x(expected.units.width()), units.y(expected.units.height())));
        const auto* ok = dialog->findChild<QPushButton*>(QStringLiteral("1"));
        ASSERT_NE(ok, nullptr);
        EXPECT_EQ(ok->text(), QStringLiteral("确定"));
        EXPECT_TRUE(ok->isDefault());
        EXPECT_EQ(ok->geometry(), units.rect(expected.okUnits.x(), expected.okUnits.y(),
                                             expected.okUnits.width(), expected.okUnits.height()));
        // No text may be cut off by its box.
        for (const QLabel* label : dialog->findChildren<QLabel*>()) {
            EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()), label->width())
                << label->text().toStdString();
        }
    }
    // The font's metrics set the scale: a larger font gives a larger dialog.
    QFont big = QApplication::font();
    big.setPointSize(20);
    EXPECT_GT(DialogUnits(big).x(100), DialogUnits(QApplication::font()).x(100));
}

TEST(InfoDialogs, TextsOfUsageAndHistory) {
    const auto usage = makeInfoDialog(app::InfoDialog::Usage, nullptr);
    const auto history = makeInfoDialog(app::InfoDialog::RevisionHistory, nullptr);
    EXPECT_EQ(usage->findChild<QLabel*>(QStringLiteral("point2b"))->text(),
              QStringLiteral("          前缀加0x输入16进制"));
    EXPECT_EQ(history->findChild<QGroupBox*>()->title(), QStringLiteral("Records of Revision"));
    EXPECT_EQ(history->findChild<QLabel*>(QStringLiteral("release1"))->text(),
              QStringLiteral("Ver 1.1.0.0     2023/11/6 第一版发布"));
}

TEST(InfoDialogs, EscapeAndOkCloseThem) {
    QtDialogLayer layer;
    const QPoint topLeft(40, 60);
    whenModalOpens([topLeft](QWidget* modal) {
        EXPECT_EQ(modal->pos(), topLeft);
        QTest::keyClick(modal, Qt::Key_Escape);
    });
    layer.infoDialog(nullptr, app::InfoDialog::About, topLeft);

    whenModalOpens([](QWidget* modal) {
        const QWidget* focus = modal->focusWidget();
        ASSERT_NE(focus, nullptr);
        EXPECT_EQ(focus->objectName(), QStringLiteral("1"));
        QTest::keyClick(modal, Qt::Key_Return);
    });
    layer.infoDialog(nullptr, app::InfoDialog::Usage, topLeft);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

// Yes/No and OK boxes with Chinese buttons, the icon asked for, Esc as No.
TEST(QtDialogLayer, MessageBoxesSpeakChinese) {
    QtDialogLayer layer;
    const auto answer = [&](app::Icon icon, app::Buttons buttons, QMessageBox::Icon shownIcon,
                            const QStringList& texts, const QString& press) {
        whenModalOpens([=](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            ASSERT_NE(box, nullptr);
            EXPECT_EQ(box->windowTitle(), QStringLiteral("提示"));
            EXPECT_EQ(box->icon(), shownIcon);
            QStringList shown;
            for (QAbstractButton* button : box->buttons()) {
                shown << button->text();
                if (button->text() == press) {
                    button->click();
                }
            }
            shown.sort();
            EXPECT_EQ(shown, texts);
            if (box->isVisible()) {
                QTest::keyClick(box, Qt::Key_Escape);
            }
        });
        return layer.message(nullptr, QStringLiteral("?"), QStringLiteral("提示"), icon, buttons);
    };
    const QStringList yesNo{QStringLiteral("否"), QStringLiteral("是")};
    EXPECT_EQ(answer(app::Icon::Warning, app::Buttons::YesNo, QMessageBox::Warning, yesNo, "是"),
              app::Answer::Yes);
    EXPECT_EQ(answer(app::Icon::Warning, app::Buttons::YesNo, QMessageBox::Warning, yesNo, ""),
              app::Answer::No);
    EXPECT_EQ(answer(app::Icon::Error, app::Buttons::Ok, QMessageBox::Critical,
                     {QStringLiteral("确定")}, "确定"),
              app::Answer::Ok);
}

TEST(QtDialogLayer, FileDialogsShowTitleAndFilterLabels) {
    EXPECT_EQ(nameFilters({"t",
                           {{"JPG 文件（*.jpg,*.jpeg）", {"*.jpg", "*.jpeg"}},
                            {"所有文件（*.*）", {"*.*"}}}}),
              (QStringList{QStringLiteral("JPG 文件（*.jpg,*.jpeg） (*.jpg *.jpeg)"),
                           QStringLiteral("所有文件（*.*） (*)")}));

    QtDialogLayer layer;
    const app::FileDialogRequest request{
        "选择导入文件（多选）",
        {{"BIN 文件（*.bin）", {"*.bin"}}, {"AVI 文件（*.avi）", {"*.avi"}}},
        true};
    whenModalOpens([](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->windowTitle(), QStringLiteral("选择导入文件（多选）"));
        EXPECT_EQ(dialog->fileMode(), QFileDialog::ExistingFiles);
        const auto* types = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
        ASSERT_NE(types, nullptr);
        ASSERT_EQ(types->count(), 2);
        EXPECT_EQ(types->itemText(0), QStringLiteral("BIN 文件（*.bin）"));
        EXPECT_EQ(types->currentIndex(), 0);
        dialog->reject();
    });
    EXPECT_TRUE(layer.openFiles(nullptr, request).isEmpty());

    whenModalOpens([](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptSave);
        EXPECT_FALSE(dialog->testOption(QFileDialog::DontConfirmOverwrite));
        EXPECT_TRUE(dialog->selectedFiles().value(0).isEmpty() ||
                    QFileInfo(dialog->selectedFiles().value(0)).isDir());
        dialog->reject();
    });
    EXPECT_FALSE(layer.saveFile(
        nullptr, {"选择保存位置和文件名称", {{"BIN 文件（*.bin）", {"*.bin"}}}, false}));
}

} // namespace
} // namespace zd::ui

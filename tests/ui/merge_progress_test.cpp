// A long merge shows its progress and can be cancelled; a short one shows
// nothing.
#include "merge_progress.h"

#include <QApplication>
#include <QProgressDialog>
#include <QTest>
#include <gtest/gtest.h>

namespace zd::ui {
namespace {

QProgressDialog* shownProgress() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* dialog = qobject_cast<QProgressDialog*>(widget); dialog && dialog->isVisible()) {
            return dialog;
        }
    }
    return nullptr;
}

TEST(MergeProgress, AppearsLateAndCancels) {
    QWidget owner;
    MergeProgress progress(&owner);
    EXPECT_TRUE(progress.report(0, 1000));
    EXPECT_EQ(shownProgress(), nullptr);
    QTest::qWait(600);
    EXPECT_TRUE(progress.report(600, 1000));
    QProgressDialog* dialog = shownProgress();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->value(), 600);
    dialog->cancel();
    QTest::qWait(60);
    EXPECT_FALSE(progress.report(700, 1000));
    progress.end();
    EXPECT_EQ(shownProgress(), nullptr);
    // The next merge starts afresh, quietly.
    EXPECT_TRUE(progress.report(0, 1u << 31));
    EXPECT_EQ(shownProgress(), nullptr);
    progress.end();
}

} // namespace
} // namespace zd::ui

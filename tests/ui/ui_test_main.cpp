// The window tests share one QApplication, on the offscreen platform unless
// the caller chose another.
#include "ui/main_window.h"

#include <QApplication>
#include <cstdlib>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication application(argc, argv);
    zd::ui::setApplicationMetadata();
    return RUN_ALL_TESTS();
}

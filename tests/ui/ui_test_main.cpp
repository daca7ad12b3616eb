// The window tests share one QApplication, on the offscreen platform unless
// the caller chose another, and a settings folder of their own, so that no
// test reads or changes the settings of the user who runs it.
#include "ui/main_window.h"

#include <QApplication>
#include <QTemporaryDir>
#include <cstdlib>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    const QTemporaryDir settings;
    ::setenv("XDG_CONFIG_HOME", settings.path().toLocal8Bit().constData(), 1);
    QApplication application(argc, argv);
    zd::ui::setApplicationMetadata();
    return RUN_ALL_TESTS();
}

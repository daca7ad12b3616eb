// A shown main window whose dialogs are answered by a script.
#pragma once

#include "client_area.h"
#include "entry_table_view.h"
#include "fake_dialogs.h"
#include "main_window.h"

#include <QTest>
#include <gtest/gtest.h>
#include <memory>

namespace zd::test {

class WindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        window = std::make_unique<ui::MainWindow>(dialogs);
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }
    void TearDown() override { window.reset(); }

    ui::ClientArea& area() { return window->clientArea(); }
    EntryList& list() { return window->commands().list(); }

    FakeDialogs dialogs;
    std::unique_ptr<ui::MainWindow> window;
};

} // namespace zd::test

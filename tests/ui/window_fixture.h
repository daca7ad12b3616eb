// A shown main window whose dialogs are answered by a script.
#pragma once

#include "client_area.h"
#include "dialog_layer.h"
#include "entry_table_view.h"
#include "main_window.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>
#include <utility>

namespace zd::test {

inline QString q(const std::string& text) { return QString::fromStdString(text); }

// Writes down what was asked ("message CAPTION TEXT", "open TITLE",
// "save TITLE", "dialog ID", "url URL") and answers from its members.
class FakeDialogs final : public ui::DialogLayer {
  public:
    QStringList log;
    QPoint dialogTopLeft;
    app::Answer answer = app::Answer::No; // to every Yes/No question
    QStringList filesToOpen;              // for the next open dialog only
    QString fileToSave;                   // likewise; empty cancels

    app::Answer message(QWidget*, const QString& text, const QString& caption, app::Icon,
                        app::Buttons buttons) override {
        log << "message " + caption + " " + text;
        return buttons == app::Buttons::Ok ? app::Answer::Ok : answer;
    }
    QStringList openFiles(QWidget*, const app::FileDialogRequest& request) override {
        log << "open " + q(request.title);
        return std::exchange(filesToOpen, {});
    }
    std::optional<QString> saveFile(QWidget*, const app::FileDialogRequest& request) override {
        log << "save " + q(request.title);
        const QString name = std::exchange(fileToSave, {});
        return name.isEmpty() ? std::nullopt : std::optional(name);
    }
    void infoDialog(QWidget*, app::InfoDialog dialog, QPoint topLeft) override {
        log << "dialog " + QString::number(static_cast<int>(dialog));
        dialogTopLeft = topLeft;
    }
    void openExternal(const QUrl& url) override { log << "url " + url.toString(); }
};

class WindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    }
    ui::ClientArea& area() { return window.clientArea(); }
    EntryList& list() { return window.commands().list(); }
    QString shown(app::Display display) { return window.display(display).text(); }
    QString cell(int row, int column) {
        return window.table().model()->index(row, column).data().toString();
    }

    FakeDialogs dialogs;
    ui::MainWindow window{dialogs};
};

} // namespace zd::test

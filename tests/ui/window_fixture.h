// A shown main window whose dialogs are answered by a script.
#pragma once

#include "client_area.h"
#include "dialog_layer.h"
#include "entry_table_view.h"
#include "main_window.h"

#include <QTest>
#include <deque>
#include <gtest/gtest.h>
#include <memory>

namespace zd::test {

// Writes down what was asked: "message TEXT | CAPTION", "open TITLE",
// "save TITLE", "dialog ID", "url URL"; answers from the queues, or
// "No" / cancel when they are empty.
class FakeDialogs final : public ui::DialogLayer {
  public:
    std::deque<app::Answer> answers;
    std::deque<QStringList> filesToOpen;
    std::deque<QString> fileToSave;
    QStringList log;
    QPoint dialogTopLeft;

    app::Answer message(QWidget*, const QString& text, const QString& caption, app::Icon,
                        app::Buttons buttons) override {
        log << "message " + text + " | " + caption;
        return buttons == app::Buttons::Ok ? app::Answer::Ok : take(answers, app::Answer::No);
    }
    QStringList openFiles(QWidget*, const app::FileDialogRequest& request) override {
        log << "open " + QString::fromStdString(request.title);
        return take(filesToOpen, {});
    }
    std::optional<QString> saveFile(QWidget*, const app::FileDialogRequest& request) override {
        log << "save " + QString::fromStdString(request.title);
        return fileToSave.empty() ? std::nullopt : std::optional(take(fileToSave, {}));
    }
    void infoDialog(QWidget*, app::InfoDialog dialog, QPoint topLeft) override {
        log << "dialog " + QString::number(static_cast<int>(dialog));
        dialogTopLeft = topLeft;
    }
    void openExternal(const QUrl& url) override { log << "url " + url.toString(); }

  private:
    template <typename T> static T take(std::deque<T>& queue, T otherwise) {
        if (queue.empty()) {
            return otherwise;
        }
        T value = queue.front();
        queue.pop_front();
        return value;
    }
};

class WindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    }
    ui::ClientArea& area() { return window.clientArea(); }
    EntryList& list() { return window.commands().list(); }

    FakeDialogs dialogs;
    ui::MainWindow window{dialogs};
};

} // namespace zd::test

// The list at scale through the window: the real commands driven by their
// buttons in a shown main window (run with QT_QPA_PLATFORM=offscreen), each
// timed with the events it leaves behind (the table's relayout and repaint).
// The names match core_list_bench's, so each can be set against the core's
// time for the same work.
//
// Usage: list_model_bench LIST.h WORK_FOLDER [RUNS]
// Prints one line per measurement: name, median ms, fastest ms, runs.

#include "app/commands.h"
#include "bench/bench_timer.h"
#include "ui/dialog_layer.h"
#include "ui/entry_table_view.h"
#include "ui/main_window.h"

#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

namespace {

using zd::bench::measure;
using zd::bench::report;
namespace cmd = zd::app::cmd;

// Answers every dialog at once: the list file for the import dialog, yes to
// every question, nothing for the rest.
class AnsweringDialogs final : public zd::ui::DialogLayer {
  public:
    explicit AnsweringDialogs(QString listFile) : listFile_(std::move(listFile)) {}

    zd::app::Answer message(QWidget*, const QString&, const QString&, zd::app::Icon,
                            zd::app::Buttons buttons) override {
        ++messages;
        return buttons == zd::app::Buttons::YesNo ? zd::app::Answer::Yes : zd::app::Answer::Ok;
    }
    QStringList openFiles(QWidget*, const zd::app::FileDialogRequest&) override {
        return {listFile_};
    }
    std::optional<QString> saveFile(QWidget*, const zd::app::FileDialogRequest&) override {
        return std::nullopt;
    }
    void infoDialog(QWidget*, zd::app::InfoDialog, QPoint) override {}
    void openExternal(const QUrl&) override {}

    int messages = 0;

  private:
    QString listFile_;
};

[[noreturn]] void fail(const std::string& what) {
    std::fprintf(stderr, "list_model_bench: %s\n", what.c_str());
    std::exit(1);
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 3) {
        fail("usage: list_model_bench LIST.h WORK_FOLDER [RUNS]");
    }
    const int runs = argc > 3 ? std::max(5, std::atoi(argv[3])) : 7;
    AnsweringDialogs dialogs(QString::fromLocal8Bit(argv[1]));
    zd::ui::MainWindow window(dialogs);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) {
        fail("the window was not shown");
    }
    zd::EntryList& list = window.commands().list();

    // A click runs the command and its model notices; the events it leaves
    // (the table's relayout and the window's repaint) run after it.
    auto clickOnly = [&](int commandId) {
        QPushButton* button = window.button(commandId);
        if (button == nullptr) {
            fail("no button for command " + std::to_string(commandId));
        }
        button->click();
    };
    auto click = [&](int commandId) {
        clickOnly(commandId);
        QApplication::processEvents();
    };
    auto empty = [&] {
        list.clear();
        QApplication::processEvents();
    };
    auto imported = [&] {
        empty();
        click(cmd::ImportList);
        if (list.rowCount() < 2) {
            fail("the import added no rows");
        }
    };
    auto selectMiddle = [&] {
        window.table().clearSelection();
        window.table().selectRow(list.rowCount() / 2);
        QApplication::processEvents();
    };

    // Each command twice: with the events it leaves behind (what the user
    // waits for), and without them (the command and the model alone), so the
    // repaint's share shows.
    for (const bool repaint : {true, false}) {
        const std::string tail = repaint ? "" : "_no_repaint";
        auto run = [&](int commandId) {
            return [&, commandId] { repaint ? click(commandId) : clickOnly(commandId); };
        };
        auto settled = [](const std::function<void()>& prepare) {
            return [prepare] {
                prepare();
                QApplication::processEvents();
            };
        };
        report("import" + tail, measure(runs, settled(empty), run(cmd::ImportList)), runs);
        const int rows = list.rowCount();
        report("move_row" + tail, measure(runs, settled(selectMiddle), run(cmd::MoveUp)), runs);
        report("delete_row" + tail,
               measure(runs, settled([&] {
                           imported();
                           selectMiddle();
                       }),
                       run(cmd::Delete)),
               runs);
        if (list.rowCount() != rows - 1) {
            fail("delete did not remove one row");
        }
        report("clear" + tail, measure(runs, settled(imported), run(cmd::Clear)), runs);
        if (!list.empty()) {
            fail("clear left rows behind");
        }
    }
    return 0;
}

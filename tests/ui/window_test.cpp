// The main window, shown with a scripted dialog layer: its controls as
// designed, each reaching its command, the link following the pointer, drops
// onto the list and the start.
#include "tests/support/first_asks.h"
#include "tests/support/test_files.h"
#include "tests/ui/fake_dialogs.h"
#include "tests/ui/qstring_printer.h"
#include "ui/client_area.h"
#include "ui/dialog_layer.h"
#include "ui/entry_table_view.h"
#include "ui/main_window.h"

#include <QAction>
#include <QCheckBox>
#include <QDropEvent>
#include <QFile>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QTest>
#include <algorithm>
#include <cstdlib>
#include <gtest/gtest.h>
#include <optional>

namespace zd::test {
namespace {

class WindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    }
    ui::ClientArea& area() { return window.clientArea(); }
    QString shown(app::Display display) { return window.display(display).text(); }
    QString cell(int row) { return window.table().model()->index(row, 1).data().toString(); }
    QString takeLog() { return std::exchange(dialogs.log, {}); }

    TempDir dir; // for files to drop or name at the start
    FakeDialogs dialogs;
    ui::MainWindow window{dialogs};
};

// Each button and the check box reach their command (what a click asks
// first tells which; the offset buttons show in the edits); the controls
// stay in the area as first shown when the window grows, each inside the
// frame or clear of it; the list's columns with the room for the name, its
// rows one text line high with no row header; Tab walks the controls in order.
TEST_F(WindowTest, ControlsReachTheirCommandsAndTabWalksThem) {
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Tessarine Tool (Ver: 1.1.0.0)"));
    for (const auto& [id, asked] : kControlsAsk) {
        QTest::mouseClick(window.findChild<QWidget*>(QString::number(id)), Qt::LeftButton);
        EXPECT_EQ(takeLog(), q(asked + "\n"));
    }
    QString offsets;
    window.display(app::Display::FrontOffset).setText("0x100"); // for Apply to read
    for (const int id : {app::cmd::ApplyOffset, app::cmd::StepUp, app::cmd::StepDown}) {
        QTest::mouseClick(window.button(id), Qt::LeftButton);
        offsets += shown(app::Display::FrontOffset) + " " + shown(app::Display::Capacity) + "|";
    }
    EXPECT_EQ(offsets, "0x100 256|4352 4352|256 256|");
    EXPECT_FALSE(window.button(app::cmd::ApplyOffset)->icon().isNull());
    // No control lies across the frame's edge; the list, too big to lie beside it, lies inside.
    const QRect shownFirst = area().rect(), frame = area().findChild<QWidget*>("frame")->geometry();
    window.resize(1200, 800);
    for (const QWidget* control : area().findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        const QRect at = control->geometry();
        EXPECT_TRUE(shownFirst.contains(at) && (frame.contains(at) || !frame.intersects(at)))
            << control->metaObject()->className();
    }
    // The frame's line runs through its title, not below it onto the controls.
    const QImage drawn = area().findChild<QWidget*>("frame")->grab().toImage();
    int line = 1;
    while (line < 40 &&
           drawn.pixel(drawn.width() - 20, line) == drawn.pixel(drawn.width() - 20, 0)) {
        ++line;
    }
    EXPECT_LT(line, area().fontMetrics().height() * 3 / 4);
    QStringList titles;
    const QAbstractItemModel& model = *window.table().model();
    for (int column = 0; column < model.columnCount(); ++column) {
        titles << model.headerData(column, Qt::Horizontal).toString();
        EXPECT_TRUE(column == 1 ||
                    window.table().columnWidth(column) < window.table().columnWidth(1));
    }
    EXPECT_EQ(titles.join('|'), "No.|File Name|Size(byte)|Address|Data Format");
    EXPECT_FALSE(model.headerData(0, Qt::Vertical).isValid());
    EXPECT_FALSE(model.headerData(model.columnCount(), Qt::Horizontal).isValid());
    // Their cells give Tab places to wander through.
    window.commands().list().appendEntries(std::vector<NewEntry>{{"/a", 1}, {"/b", 1}});
    QApplication::processEvents(); // the view lays itself out
    EXPECT_LE(window.table().viewport()->x(), window.table().frameWidth());
    EXPECT_LE(window.table().rowHeight(1), window.table().fontMetrics().height() + 6);
    window.fileInfoBox().setFocus();
    QStringList order;
    for (int step = 0; step < 15;
         ++step, QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab)) {
        order << QApplication::focusWidget()->objectName();
    }
    EXPECT_EQ(order.join(' '), "404 208 402 207 601 203 210 205 206 201 202 204 209 300 404");
}

// Each menu item reaches its own command (Exit, the File menu's last, ends
// the window) and is named in the window's manual page; About's shortcuts
// (Alt+"/" and Alt+"?") from a control, its dialog at the area's corner.
TEST_F(WindowTest, MenusAndShortcuts) {
    const QString manual = q(readFile(ZD_MANUAL_PAGE));
    // An item's text as the page writes it (without its access key and the
    // dots of "..."), when the page does not hold it.
    const auto missing = [&manual](const QAction* action) {
        const QString text = action->text().remove(QRegularExpression(R"(\(&.\)|&| ?\.\.\.$)"));
        return manual.contains(text) ? QString() : text + " ";
    };
    QString unnamed;
    const QList<QAction*> menus = window.menuBar()->actions();
    for (const QAction* menu : menus) {
        unnamed += missing(menu);
        for (QAction* item : menu->menu()->actions()) {
            unnamed += missing(item);
            item == menus[0]->menu()->actions().last() ? void() : item->trigger();
        }
    }
    EXPECT_EQ(takeLog(), q(kMenusAsk));
    EXPECT_EQ(unnamed, "");
    QTest::keyClick(window.button(app::cmd::AddFiles), Qt::Key_Slash, Qt::AltModifier);
    QTest::keyClick(&window.table(), Qt::Key_Question, Qt::AltModifier);
    EXPECT_EQ(takeLog(), "dialog 103\ndialog 103\n");
    EXPECT_EQ(dialogs.dialogTopLeft, area().mapToGlobal(QPoint(0, 0)));
    menus[0]->menu()->actions().last()->trigger();
    EXPECT_FALSE(window.isVisible());
}

// The pointer's moves and presses in the area reach the link in the area's
// own coordinates: its colour on the screen and the cursor follow; moves over
// the frame and the labels reach the area, moves over controls stay with
// them. (Which points are over the link is the commands' to say.)
TEST_F(WindowTest, LinkFollowsThePointer) {
    // The area's cursor and the link's colours on the screen, so that a
    // missing repaint shows too.
    const auto seen = [this] {
        const QPoint at = area().mapTo(&window, QPoint(app::kLinkX, app::kLinkY));
        const QImage line = window.screen()
                                ->grabWindow(window.winId(), at.x(), at.y(), 211, 21)
                                .toImage()
                                .convertToFormat(QImage::Format_RGB32);
        const auto* first = reinterpret_cast<const QRgb*>(line.constBits());
        const auto* last = first + line.width() * line.height();
        const Qt::CursorShape cursor = area().cursor().shape();
        return QString(cursor == Qt::PointingHandCursor ? "hand"
                       : cursor == Qt::ArrowCursor      ? "arrow"
                                                        : "other") +
               (std::find(first, last, qRgb(50, 50, 50)) != last ? " grey" : "") +
               (std::find(first, last, qRgb(0, 0, 255)) != last ? " blue" : "");
    };
    // A move as the window system delivers it: hit-tested from the window.
    const auto moveTo = [&](QWidget* over, QPoint at) {
        QTest::mouseMove(&window, over->mapTo(&window, at));
        QTest::qWait(10);
        return seen();
    };
    const QPoint link(600, 455);
    for (const QPoint off : {QPoint(25, 200), QPoint(100, 450)}) { // the frame, the link's label
        EXPECT_EQ(moveTo(&area(), link) + ", " + moveTo(&area(), off), "hand blue, arrow grey");
    }
    moveTo(&area(), link);
    for (QWidget* control : std::initializer_list<QWidget*>{
             window.button(app::cmd::ViewResult), window.table().viewport(),
             window.table().horizontalHeader(), &window.display(app::Display::FrontOffset),
             &window.fileInfoBox()}) {
        EXPECT_EQ(moveTo(control, {20, 10}), "hand blue") << control->objectName().toStdString();
    }
    for (const Qt::MouseButton button : {Qt::RightButton, Qt::LeftButton}) { // left only opens
        QTest::mouseClick(window.windowHandle(), button, {}, area().mapTo(&window, link));
    }
    EXPECT_EQ(takeLog(), "url http://host\n");
}

// A drop onto the list adds its local files and is refused when it holds
// none; the files named at the start are added the same way, once the window
// runs. The port keeps the selection with a moved row, leaves the current row
// where it was, and lets several rows be selected. View result hands the
// desktop the save folder as a local file, whatever its name holds. The file
// dialogs' choices reach the commands: a file added, the header exported.
TEST_F(WindowTest, DropsStartSelectionAndViewResult) {
    // Which of entering, moving and dropping the list takes ("+") or refuses.
    const auto drop = [this](const QList<QUrl>& urls) {
        QMimeData mime;
        mime.setUrls(urls);
        QDragEnterEvent enter({20, 20}, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QDragMoveEvent move({30, 30}, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QDropEvent dropped({30, 30}, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QString taken;
        for (QEvent* event : std::initializer_list<QEvent*>{&enter, &move, &dropped}) {
            QApplication::sendEvent(window.table().viewport(), event);
            taken += event->isAccepted() ? "+" : "-";
        }
        return taken;
    };
    writeFile(dir / "one.bin", "1");
    writeFile(dir / "two.dot", "22");
    EXPECT_EQ(drop({QUrl("http://example.org/a.bin")}), "---");
    EXPECT_EQ(drop({QUrl::fromLocalFile(q(dir / "one.bin")), QUrl("http://example.org/b"),
                    QUrl::fromLocalFile(q(dir / "two.dot"))}),
              "+++");
    EXPECT_EQ(takeLog() + cell(0) + " " + cell(1),
              q("message 提示 i 总共添加 2 个\n" + dir / "one.bin" + " " + dir / "two.dot"));

    window.table().selectRow(0);
    const QModelIndex current = window.table().currentIndex();
    QTest::mouseClick(window.button(app::cmd::MoveDown), Qt::LeftButton);
    EXPECT_EQ(window.table().selectionModel()->selectedRows(),
              QModelIndexList{window.table().model()->index(1, 0)});
    EXPECT_EQ(window.table().currentIndex(), current);
    const QRect first = window.table().visualRect(window.table().model()->index(0, 1));
    QTest::mouseClick(window.table().viewport(), Qt::LeftButton, Qt::ControlModifier,
                      first.center());
    EXPECT_EQ(window.table().selectionModel()->selectedRows().size(), 2);

    window.commands().state().outputFolder = "/saved/a b#1?x=1%20/";
    QTest::mouseClick(window.button(app::cmd::ViewResult), Qt::LeftButton);
    EXPECT_EQ(takeLog(), "file /saved/a b#1?x=1%20/\n");
    dialogs.opened = {q(dir / "one.bin")};
    QTest::mouseClick(window.button(app::cmd::AddFiles), Qt::LeftButton);
    EXPECT_EQ(cell(2), q(dir / "one.bin"));
    dialogs.saved = q(dir / "out.h");
    window.menuBar()->actions()[1]->menu()->actions().front()->trigger();
    EXPECT_TRUE(std::filesystem::is_regular_file(dir / "out.h")); // its text is the commands'
    // Started under the name that finds the desktop entry.
    EXPECT_TRUE(QFile::exists(QStringLiteral(ZD_RESOURCES_DIR "/") +
                              QGuiApplication::desktopFileName() + ".desktop"));
    std::string program = "zadodaziderav", named = dir / "two.dot";
    char* argv[] = {program.data(), named.data(), nullptr};
    window.start(2, argv);
    const int before = window.commands().list().rowCount();
    QTest::qWait(20);
    EXPECT_EQ(QString::number(window.commands().list().rowCount() - before) + " " + cell(before),
              "1 " + q(named));
}

// The count and capacity cannot be typed into, yet read as clearly as any
// text, dark on light or light on dark (a disabled edit's grey on grey does
// not). The list keeps its selection
// as visible without the focus, also under a desktop style that dims an
// inactive one; a long path keeps both its ends in sight, cut in the middle,
// and its tip shows it whole.
TEST_F(WindowTest, ReadoutsAndTheListsLook) {
    for (const app::Display display : {app::Display::FileCount, app::Display::Capacity}) {
        QTest::mouseClick(&window.display(display), Qt::LeftButton);
        QTest::keyClicks(&window.display(display), "12");
        EXPECT_EQ(shown(display), "0");
        const QLineEdit& readout = window.display(display);
        const auto drawn = readout.isEnabled() ? QPalette::Active : QPalette::Disabled;
        EXPECT_GE(std::abs(readout.palette().color(drawn, QPalette::Text).lightness() -
                           readout.palette().color(drawn, QPalette::Base).lightness()),
                  128);
    }
    const QPalette desktop = QApplication::palette();
    QPalette dimming = desktop;
    dimming.setColor(QPalette::Inactive, QPalette::Highlight, Qt::lightGray);
    QApplication::setPalette(dimming);
    const ui::EntryTableView dimmed;
    QApplication::setPalette(desktop);
    EXPECT_EQ(dimmed.palette().color(QPalette::Inactive, QPalette::Highlight),
              dimmed.palette().color(QPalette::Active, QPalette::Highlight));

    const std::string middle = "/" + std::string(200, 'm') + "/";
    const std::string paths[] = {"/a" + middle + "x.bin", "/a" + middle + "y.bin",
                                 "/b" + middle + "x.bin"};
    window.commands().list().appendEntries(
        std::vector<NewEntry>{{paths[0], 1}, {paths[1], 1}, {paths[2], 1}});
    const QAbstractItemModel& model = *window.table().model();
    const auto drawn = [&](int row) {
        return window.table().viewport()->grab(window.table().visualRect(model.index(row, 1)));
    };
    EXPECT_NE(drawn(0).toImage(), drawn(1).toImage()) << "the file name is cut off";
    EXPECT_NE(drawn(0).toImage(), drawn(2).toImage()) << "the start of the path is cut off";
    EXPECT_EQ(model.index(1, 1).data(Qt::ToolTipRole).toString(), q(paths[1]));
    EXPECT_FALSE(model.index(1, 2).data(Qt::ToolTipRole).isValid());
}

} // namespace
} // namespace zd::test

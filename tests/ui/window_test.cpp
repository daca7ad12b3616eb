// The main window, shown with a scripted dialog layer: its controls as
// designed, each reaching its command, the link following the pointer, drops
// onto the list and the start.
#include "tests/support/test_files.h"
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
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>

namespace zd::test {
namespace {

QString q(const std::string& text) {
    return QString::fromStdString(text);
}

// Writes down what was asked ("message CAPTION TEXT", "open TITLE",
// "save TITLE", "dialog ID", "url URL", "file PATH"); answers No or OK and
// cancels file dialogs.
class FakeDialogs final : public ui::DialogLayer {
  public:
    QStringList log;
    QPoint dialogTopLeft;

    app::Answer message(QWidget*, const QString& text, const QString& caption, app::Icon,
                        app::Buttons buttons) override {
        log << "message " + caption + " " + text;
        return buttons == app::Buttons::Ok ? app::Answer::Ok : app::Answer::No;
    }
    QStringList openFiles(QWidget*, const app::FileDialogRequest& request) override {
        log << "open " + q(request.title);
        return {};
    }
    std::optional<QString> saveFile(QWidget*, const app::FileDialogRequest& request) override {
        log << "save " + q(request.title);
        return std::nullopt;
    }
    void infoDialog(QWidget*, app::InfoDialog dialog, QPoint topLeft) override {
        log << "dialog " + QString::number(static_cast<int>(dialog));
        dialogTopLeft = topLeft;
    }
    void openExternal(const QUrl& url) override {
        log << (url.isLocalFile() ? "file " + url.toLocalFile() : "url " + url.toString());
    }
};

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

    TempDir dir; // for files to drop or name at the start
    FakeDialogs dialogs;
    ui::MainWindow window{dialogs};
};

// The controls relative to the area below the menu bar (an icon button's text
// is its accessible name), with the start of what a click on each asks first,
// which tells the command it reached; the offset buttons show in the edits.
const struct {
    const char* name;
    const char* text;
    QRect geometry;
    const char* click = nullptr;
} kControls[] = {
    {"frame", "选择文件与参数", {20, 10, 722, 425}},
    {"404", "前置添加文件信息", {300, 30, 145, 20}, "message 前置添加文件信息说明"},
    {"offsetLabel", "前置偏移地址", {460, 30, 100, 20}},
    {"208", "-", {561, 28, 20, 20}, "offset 0 capacity 0"},
    {"402", "0", {580, 28, 110, 20}},
    {"207", "+", {690, 28, 20, 20}, "offset 4096 capacity 4096"},
    {"601", "保存", {710, 28, 20, 20}, "offset 0x100 capacity 256"},
    {"203", "添加文件", {761, 18, 100, 30}, "open 选择导入文件"},
    {"210", "导入存档", {761, 63, 100, 30}, "open 选择存档文件"},
    {"205", "上移", {761, 108, 100, 30}, "message 提示 已经是第一行"},
    {"206", "下移", {761, 153, 100, 30}, "message 提示 已经是最后一行"},
    {"201", "删除", {761, 198, 100, 30}, "message 提示 请选择要删除的行"},
    {"202", "清空", {761, 243, 100, 30}, "message 提示 确定要全部清空"},
    {"204", "合并保存", {761, 288, 100, 30}, "save "},
    {"209", "查看结果", {761, 333, 100, 30}, "message 提示 尚未保存过文件"},
    {"300", "", {30, 55, 700, 340}},
    {"fileCountLabel", "文件总数", {30, 405, 60, 20}},
    {"401", "0", {100, 403, 60, 20}},
    {"capacityLabel", "封包容量（Bytes）", {460, 405, 130, 20}},
    {"403", "0", {590, 403, 140, 20}},
    {"linkLabel",
     "推荐结合zu(DAVA)液晶控制芯片使用：VE8889 / RE8876 等，更多信息请访问：",
     {30, 445, 533, 20}},
};

// As laid out, also once the window grows, each reaching its command; the
// list's columns; Tab walks the controls in order.
TEST_F(WindowTest, ControlsAsDesignedAndTabWalksThem) {
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Tessarine Tool (Ver: 1.1.0.0)"));
    EXPECT_EQ(area().size(), QSize(884, 471));
    window.resize(1200, 800);
    QTest::qWait(20);
    EXPECT_EQ(area().findChildren<QWidget*>(Qt::FindDirectChildrenOnly).size(),
              static_cast<qsizetype>(std::size(kControls)));
    for (const auto& row : kControls) {
        SCOPED_TRACE(row.name);
        const auto* control = area().findChild<QWidget*>(row.name, Qt::FindDirectChildrenOnly);
        ASSERT_NE(control, nullptr);
        EXPECT_EQ(control->geometry(), row.geometry);
        EXPECT_EQ(control->property("text").toString() + control->property("title").toString() +
                      control->accessibleName(),
                  QString::fromUtf8(row.text));
        EXPECT_TRUE(control->isVisible());
    }
    for (const auto& row : kControls) {
        if (row.click != nullptr) {
            window.display(app::Display::FrontOffset).setText("0x100"); // for Apply to read
            dialogs.log.clear();
            QTest::mouseClick(area().findChild<QWidget*>(row.name), Qt::LeftButton);
            const QString seen =
                dialogs.log.value(0, "offset " + shown(app::Display::FrontOffset) + " capacity " +
                                         shown(app::Display::Capacity));
            EXPECT_TRUE(seen.startsWith(QString::fromUtf8(row.click)))
                << row.name << ": " << seen.toStdString();
        }
    }
    EXPECT_FALSE(window.button(app::cmd::ApplyOffset)->icon().isNull());
    // The frame's line runs through its title, not below it onto the controls.
    const QImage frame = area().findChild<QWidget*>("frame")->grab().toImage();
    int line = 1;
    while (line < 40 &&
           frame.pixel(frame.width() - 20, line) == frame.pixel(frame.width() - 20, 0)) {
        ++line;
    }
    EXPECT_LT(line, area().fontMetrics().height() * 3 / 4);
    QStringList columns; // title, width, alignment (0x84 centred, 0x81 left, 0x82 right)
    const QAbstractItemModel& model = *window.table().model();
    for (int column = 0; column < model.columnCount(); ++column) {
        columns << QStringLiteral("%1 %2 %3")
                       .arg(model.headerData(column, Qt::Horizontal).toString())
                       .arg(window.table().columnWidth(column))
                       .arg(model.headerData(column, Qt::Horizontal, Qt::TextAlignmentRole).toInt(),
                            0, 16);
    }
    EXPECT_EQ(columns.join(", "), "No. 40 84, File Name 300 81, Size(byte) 100 82, Address 100 82, "
                                  "Data Format 100 84");
    EXPECT_FALSE(model.headerData(0, Qt::Vertical).isValid());
    EXPECT_FALSE(model.headerData(model.columnCount(), Qt::Horizontal).isValid());
    // Rows one text line high with no row header, like a report list; their
    // cells give Tab places to wander through.
    window.commands().list().appendEntries(std::vector<NewEntry>{{"/a", 1}, {"/b", 1}});
    QApplication::processEvents();
    EXPECT_LE(window.table().viewport()->x(), window.table().frameWidth());
    EXPECT_LE(window.table().rowHeight(1), window.table().fontMetrics().height() + 6);
    window.table().setCurrentIndex(window.table().model()->index(0, 0));
    window.fileInfoBox().setFocus();
    QStringList order;
    for (int step = 0; step < 15;
         ++step, QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab)) {
        order << QApplication::focusWidget()->objectName();
    }
    EXPECT_EQ(order.join(' '), "404 208 402 207 601 203 210 205 206 201 202 204 209 300 404");
}

// The menus in the order the user reads them, each item reaching its own
// command (Exit last); About's shortcuts (Alt+"/" and Alt+"?") from a
// control, its dialog at the area's corner.
TEST_F(WindowTest, MenusAndShortcuts) {
    QStringList seen;
    QAction* exit = nullptr;
    for (const QAction* menu : window.menuBar()->actions()) {
        for (QAction* item : menu->menu()->actions()) {
            dialogs.log.clear();
            item->text() == "退出(&X)" ? (void)(exit = item) : item->trigger();
            seen << menu->text() + "/" + item->text() + " " + dialogs.log.join(',');
        }
    }
    const QString latest =
        "url http://" + q(ui::publisherHost()) + "/html/2023/software_1106/35.html";
    EXPECT_EQ(seen,
              (QStringList{"文件(&F)/从文件夹导入(&F)... open 选择任一文件即导入当前文件夹所有文件",
                           "文件(&F)/退出(&X) ", "帮助(&H)/使用说明 dialog 129",
                           "帮助(&H)/版本历史 dialog 134", "帮助(&H)/最新版本 " + latest,
                           "帮助(&H)/关于(&A) ... dialog 103"}));
    dialogs.log.clear();
    QTest::keyClick(window.button(app::cmd::AddFiles), Qt::Key_Slash, Qt::AltModifier);
    QTest::keyClick(&window.table(), Qt::Key_Question, Qt::AltModifier);
    EXPECT_EQ(dialogs.log, (QStringList{"dialog 103", "dialog 103"}));
    EXPECT_EQ(dialogs.dialogTopLeft, area().mapToGlobal(QPoint(0, 0)));
    ASSERT_NE(exit, nullptr);
    exit->trigger();
    EXPECT_FALSE(window.isVisible());
}

// The pointer's moves and presses in the area reach the link in the area's
// own coordinates: its colour on the screen and the cursor follow; moves over
// labels reach the area, moves over controls stay with them.
TEST_F(WindowTest, LinkFollowsThePointer) {
    // A move as the window system delivers it: hit-tested from the window.
    const auto moveTo = [this](QWidget* over, QPoint at) {
        QTest::mouseMove(&window, over->mapTo(&window, at));
        QTest::qWait(10);
        return window.commands().state().linkHot;
    };
    // What the screen shows, so that a missing repaint shows too.
    const auto colour = [this] {
        const QPoint at = area().mapTo(&window, QPoint(app::kLinkX, app::kLinkY));
        const QImage line = window.screen()
                                ->grabWindow(window.winId(), at.x(), at.y(), 211, 21)
                                .toImage()
                                .convertToFormat(QImage::Format_RGB32);
        const auto* first = reinterpret_cast<const QRgb*>(line.constBits());
        const auto* last = first + line.width() * line.height();
        return QString(std::find(first, last, qRgb(50, 50, 50)) != last ? "grey" : "") +
               (std::find(first, last, qRgb(0, 0, 255)) != last ? "blue" : "");
    };
    EXPECT_EQ(colour(), "grey");
    EXPECT_TRUE(moveTo(&area(), {562, 445}));
    EXPECT_EQ(area().cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(colour(), "blue");
    EXPECT_FALSE(moveTo(&area(), {561, 445}));
    EXPECT_EQ(area().cursor().shape(), Qt::ArrowCursor);
    EXPECT_EQ(colour(), "grey");

    EXPECT_FALSE(moveTo(&area(), {100, 450})); // over the label in front of the link
    moveTo(&area(), {600, 455});
    for (QWidget* control : std::initializer_list<QWidget*>{
             window.button(app::cmd::ViewResult), window.table().viewport(),
             window.table().horizontalHeader(), &window.display(app::Display::FrontOffset),
             &window.fileInfoBox()}) {
        EXPECT_TRUE(moveTo(control, {20, 10})) << control->objectName().toStdString();
    }
    for (const Qt::MouseButton button : {Qt::RightButton, Qt::LeftButton}) { // left only opens
        QTest::mouseClick(window.windowHandle(), button, {},
                          area().mapTo(&window, QPoint(772, 465)));
    }
    EXPECT_EQ(dialogs.log, QStringList{"url http://" + q(ui::publisherHost())});
}

// Local files and folders dropped on the list are added, anything else is
// refused; the port keeps the selection with a moved row, leaves the current
// row where it was, and lets several rows be selected. View result hands the
// desktop the save folder as a local file, whatever its name holds.
TEST_F(WindowTest, DropsSelectionAndViewResult) {
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
    std::filesystem::create_directory(dir.path() / "folder");
    writeFile(dir / "folder/x.dot", "333");
    EXPECT_EQ(drop({QUrl("http://example.org/a.bin")}), "---");
    EXPECT_EQ(
        drop({QUrl::fromLocalFile(q(dir / "one.bin")), QUrl::fromLocalFile(q(dir / "folder"))}),
        "+++");
    EXPECT_EQ(cell(0) + " " + cell(1), q(dir / "one.bin" + " " + dir / "folder/x.dot"));

    window.table().selectRow(0);
    const QModelIndex current = window.table().currentIndex();
    QTest::mouseClick(window.button(app::cmd::MoveDown), Qt::LeftButton);
    EXPECT_EQ(cell(1), q(dir / "one.bin"));
    EXPECT_EQ(window.table().selectionModel()->selectedRows(),
              QModelIndexList{window.table().model()->index(1, 0)});
    EXPECT_EQ(window.table().currentIndex(), current);
    const QRect first = window.table().visualRect(window.table().model()->index(0, 1));
    QTest::mouseClick(window.table().viewport(), Qt::LeftButton, Qt::ControlModifier,
                      first.center());
    EXPECT_EQ(window.table().selectionModel()->selectedRows().size(), 2);

    dialogs.log.clear();
    for (const char* folder : {"/saved/with space/", "/saved/hash#1/", "/saved/q?x=1%20/"}) {
        window.commands().state().outputFolder = folder;
        QTest::mouseClick(window.button(app::cmd::ViewResult), Qt::LeftButton);
        EXPECT_EQ(dialogs.log.takeLast(), "file " + QString::fromUtf8(folder));
    }
}

// Started: in the middle of the screen's free area (truncating toward zero),
// under the name that finds the desktop entry; the names given after the
// program's are added as a drop adds them, once the window runs.
TEST_F(WindowTest, StartCentresAndAddsTheNamedFiles) {
    const std::pair<QSize, QPoint> cases[] = {
        {{1920, 1080}, {510, 275}}, {{799, 529}, {-50, 0}}, {{900, 530}, {0, 0}}};
    for (const auto& [screen, topLeft] : cases) {
        EXPECT_EQ(ui::centredPosition(screen), topLeft) << screen.width();
    }
    EXPECT_TRUE(QFile::exists(QStringLiteral(ZD_RESOURCES_DIR "/") +
                              QGuiApplication::desktopFileName() + ".desktop"));
    writeFile(dir / "y", "4444");
    std::string program = "zadodaziderav";
    std::string named = dir / "y";
    char* argv[] = {program.data(), named.data(), nullptr};
    window.start(1, argv);
    window.start(2, argv);
    EXPECT_EQ(window.commands().list().rowCount(), 0);
    QTest::qWait(20);
    EXPECT_EQ(window.commands().list().rowCount(), 1);
    EXPECT_EQ(cell(0), q(named));
    const QScreen& screen = *QGuiApplication::primaryScreen();
    const QPoint centred =
        screen.geometry().topLeft() + ui::centredPosition(screen.availableGeometry().size());
    EXPECT_LE((window.pos() - centred).manhattanLength(), 4); // the platform may nudge it
}

// WCAG's contrast ratio of two colours: 1 when alike, 21 for black on white.
double contrast(QColor a, QColor b) {
    const auto luminance = [](QColor c) {
        const auto linear = [](double v) {
            return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * linear(c.redF()) + 0.7152 * linear(c.greenF()) + 0.0722 * linear(c.blueF());
    };
    const auto [dark, light] = std::minmax({luminance(a), luminance(b)}); // copies
    return (light + 0.05) / (dark + 0.05);
}

// The count and capacity cannot be typed into, yet read at 4.5:1 or
// better (a disabled edit's grey on grey does not). The list keeps its selection
// as visible without the focus, also under a desktop style that dims an
// inactive one; a long path keeps both its ends in sight, cut in the middle,
// and its tip shows it whole.
TEST_F(WindowTest, ReadoutsAndTheListsLook) {
    for (const app::Display display : {app::Display::FileCount, app::Display::Capacity}) {
        QTest::mouseClick(&window.display(display), Qt::LeftButton);
        QTest::keyClicks(&window.display(display), "12");
        EXPECT_EQ(shown(display), "0");
        const QLineEdit& readout = window.display(display);
        for (const auto group : {QPalette::Active, QPalette::Inactive}) {
            const auto drawn = readout.isEnabled() ? group : QPalette::Disabled;
            EXPECT_GE(contrast(readout.palette().color(drawn, QPalette::Text),
                               readout.palette().color(drawn, QPalette::Base)),
                      4.5);
        }
    }
    const QPalette desktop = QApplication::palette();
    QPalette dimming = desktop;
    dimming.setColor(QPalette::Inactive, QPalette::Highlight, Qt::lightGray);
    QApplication::setPalette(dimming);
    const ui::EntryTableView dimmed;
    QApplication::setPalette(desktop);
    for (const auto role : {QPalette::Highlight, QPalette::HighlightedText}) {
        EXPECT_EQ(dimmed.palette().color(QPalette::Inactive, role),
                  dimmed.palette().color(QPalette::Active, role));
    }

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

// The main window, shown with a scripted dialog layer: its controls as
// designed, each reaching its command, the link following the pointer, and
// drops onto the list.
#include "client_area.h"
#include "dialog_layer.h"
#include "entry_table_view.h"
#include "main_window.h"
#include "qstring_printer.h"
#include "test_files.h"

#include <QAction>
#include <QCheckBox>
#include <QDropEvent>
#include <QFile>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <map>

namespace zd::test {
namespace {

QString q(const std::string& text) {
    return QString::fromStdString(text);
}

// Writes down what was asked ("message CAPTION TEXT", "open TITLE",
// "save TITLE", "dialog ID", "url URL"); answers No or OK, cancels file dialogs.
class FakeDialogs final : public ui::DialogLayer {
  public:
    QStringList log;
    QPoint dialogTopLeft;
    QUrl opened; // the last address handed to the desktop

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
        log << "url " + url.toString();
        opened = url;
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

    FakeDialogs dialogs;
    ui::MainWindow window{dialogs};
};

// The controls relative to the area below the menu bar (an icon button's text
// is its accessible name), with what a click on each asks first, which tells
// the command it reached; the offset buttons show in the two edits.
const struct {
    const char* name;
    const char* text;
    QRect geometry;
    const char* click = nullptr;
} kControls[] = {
    {"frame", "选择文件与参数", {20, 10, 722, 425}},
    {"404", "前置添加文件信息", {300, 30, 145, 20}, "message 前置添加文件信息说明 "},
    {"offsetLabel", "前置偏移地址", {460, 30, 100, 20}},
    {"208", "-", {561, 28, 20, 20}, "offset 0 capacity 0"},
    {"402", "0", {580, 28, 110, 20}},
    {"207", "+", {690, 28, 20, 20}, "offset 4096 capacity 4096"},
    {"601", "保存", {710, 28, 20, 20}, "offset 0x100 capacity 256"},
    {"203", "添加文件", {761, 18, 100, 30}, "open 选择导入文件（多选）"},
    {"210", "导入存档", {761, 63, 100, 30}, "open 选择存档文件"},
    {"205", "上移", {761, 108, 100, 30}, "message 提示 已经是第一行！"},
    {"206", "下移", {761, 153, 100, 30}, "message 提示 已经是最后一行！"},
    {"201", "删除", {761, 198, 100, 30}, "message 提示 请选择要删除的行。"},
    {"202", "清空", {761, 243, 100, 30}, "message 提示 确定要全部清空吗？"},
    {"204", "合并保存", {761, 288, 100, 30}, "save 选择保存位置和文件名称"},
    {"209",
     "查看结果",
     {761, 333, 100, 30},
     "message 提示 尚未保存过文件，暂无可查看的输出文件夹。"},
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
            auto* control = area().findChild<QWidget*>(row.name, Qt::FindDirectChildrenOnly);
            window.display(app::Display::FrontOffset).setText("0x100"); // for Apply to read
            dialogs.log.clear();
            QTest::mouseClick(control, Qt::LeftButton);
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
    while (line < 40 && frame.pixel(frame.width() - 20, line) == frame.pixel(frame.width() - 20, 0)) {
        ++line;
    }
    EXPECT_LT(line, area().fontMetrics().height() * 3 / 4);
    QStringList columns; // title, width, alignment
    const QAbstractItemModel& model = *window.table().model();
    for (int column = 0; column < model.columnCount(); ++column) {
        const int align = model.headerData(column, Qt::Horizontal, Qt::TextAlignmentRole).toInt();
        columns << QStringLiteral("%1 %2 %3")
                       .arg(model.headerData(column, Qt::Horizontal).toString())
                       .arg(window.table().columnWidth(column))
                       .arg(align & Qt::AlignHCenter ? 'c'
                            : align & Qt::AlignRight ? 'r'
                                                     : 'l');
    }
    EXPECT_EQ(columns.join(", "), "No. 40 c, File Name 300 l, Size(byte) 100 r, Address 100 r, "
                                  "Data Format 100 c");
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

// The selection stays as visible without the focus, also under a desktop
// style that dims an inactive one.
TEST(EntryTableView, SelectionStaysVisibleWithoutFocus) {
    const QPalette desktop = QApplication::palette();
    QPalette dimming = desktop;
    dimming.setColor(QPalette::Inactive, QPalette::Highlight, Qt::lightGray);
    QApplication::setPalette(dimming);
    const ui::EntryTableView list;
    QApplication::setPalette(desktop);
    for (const auto role : {QPalette::Highlight, QPalette::HighlightedText}) {
        EXPECT_EQ(list.palette().color(QPalette::Inactive, role),
                  list.palette().color(QPalette::Active, role));
    }
}

// The menus in the order the user reads them, each item reaching its own
// command, and About's shortcuts from anywhere in the window (Alt+"/" and
// Alt+"?", pressed on a control).
TEST_F(WindowTest, MenusAndShortcuts) {
    QStringList layout;
    std::map<QString, QAction*> items; // by "menu/item"
    for (const QAction* menu : window.menuBar()->actions()) {
        QStringList texts;
        for (QAction* item : menu->menu()->actions()) {
            texts << item->text();
            items[menu->text() + "/" + item->text()] = item;
        }
        layout << menu->text() + ": " + texts.join(" | ");
    }
    EXPECT_EQ(layout.join("; "), "文件(&F): 从文件夹导入(&F)... | 退出(&X); "
                                 "帮助(&H): 使用说明 | 版本历史 | 最新版本 | 关于(&A) ...");
    const std::pair<const char*, QString> rows[] = {
        {"文件(&F)/从文件夹导入(&F)...", "open 选择任一文件即导入当前文件夹所有文件"},
        {"帮助(&H)/使用说明", "dialog 129"},
        {"帮助(&H)/版本历史", "dialog 134"},
        {"帮助(&H)/关于(&A) ...", "dialog 103"},
        {"300", "dialog 103"},
        {"203", "dialog 103"},
        {"帮助(&H)/最新版本",
         "url http://" + q(ui::publisherHost()) + "/html/2023/software_1106/35.html"},
    };
    for (const auto& [control, first] : rows) {
        SCOPED_TRACE(control);
        dialogs.log.clear();
        if (QAction* item = items[QString::fromUtf8(control)]) {
            item->trigger();
        } else {
            QTest::keyClick(area().findChild<QWidget*>(control),
                            std::strcmp(control, "300") == 0 ? Qt::Key_Slash : Qt::Key_Question,
                            Qt::AltModifier);
        }
        EXPECT_EQ(dialogs.log, QStringList{first});
    }
    EXPECT_EQ(dialogs.dialogTopLeft, area().mapToGlobal(QPoint(0, 0)));
    items[QStringLiteral("文件(&F)/退出(&X)")]->trigger();
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
        QString shown;
        for (const auto& [name, rgb] :
             {std::pair{"grey", qRgb(50, 50, 50)}, {"blue", qRgb(0, 0, 255)}}) {
            shown += std::find(first, last, rgb) != last ? name : "";
        }
        return shown;
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
    for (const QPoint at : {QPoint(561, 455), QPoint(772, 465)}) { // a press outside, then inside
        QTest::mouseClick(window.windowHandle(), Qt::LeftButton, {}, area().mapTo(&window, at));
    }
    QTest::mouseClick(window.windowHandle(), Qt::RightButton, {},
                      area().mapTo(&window, QPoint(600, 455)));
    EXPECT_EQ(dialogs.log, QStringList{"url http://" + q(ui::publisherHost())});
}

// Local files and folders dropped on the list are added, anything else is
// refused; the port keeps the selection with a moved row, leaves the current
// row where it was, and lets several rows be selected.
TEST_F(WindowTest, DropsAddAndSelectionFollowsAMove) {
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
    TempDir dir;
    writeFile(dir / "one.bin", "1");
    std::filesystem::create_directory(dir.path() / "folder");
    writeFile(dir / "folder/x.dot", "333");
    EXPECT_EQ(drop({QUrl("http://example.org/a.bin")}), "---");
    EXPECT_EQ(
        drop({QUrl::fromLocalFile(q(dir / "one.bin")), QUrl::fromLocalFile(q(dir / "folder"))}),
        "+++");
    EXPECT_EQ(cell(1), q(dir / "folder/x.dot"));
    EXPECT_EQ(dialogs.log, QStringList{"message 提示 总共添加 2 个文件"});
    EXPECT_EQ(shown(app::Display::Capacity), "4");

    window.table().selectRow(0);
    const QModelIndex current = window.table().currentIndex();
    QTest::mouseClick(window.button(app::cmd::MoveDown), Qt::LeftButton);
    EXPECT_EQ(cell(1), q(dir / "one.bin"));
    const QModelIndexList selected = window.table().selectionModel()->selectedRows();
    ASSERT_EQ(selected.size(), 1);
    EXPECT_EQ(selected[0].row(), 1);
    EXPECT_EQ(window.table().currentIndex(), current);
    const QRect first = window.table().visualRect(window.table().model()->index(0, 1));
    QTest::mouseClick(window.table().viewport(), Qt::LeftButton, Qt::ControlModifier,
                      first.center());
    EXPECT_EQ(window.table().selectionModel()->selectedRows().size(), 2);
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
    TempDir dir;
    writeFile(dir / "y", "4444");
    std::string program = "zadodaziderav";
    std::string named = dir / "y";
    char* argv[] = {program.data(), named.data(), nullptr};
    window.start(1, argv);
    window.start(2, argv);
    EXPECT_EQ(window.commands().list().rowCount(), 0);
    QTest::qWait(20);
    EXPECT_EQ(cell(0), q(named));
    const QScreen& screen = *QGuiApplication::primaryScreen();
    const QPoint centred =
        screen.geometry().topLeft() + ui::centredPosition(screen.availableGeometry().size());
    EXPECT_LE((window.pos() - centred).manhattanLength(), 4); // the platform may nudge it
    EXPECT_EQ(dialogs.log, QStringList{"message 提示 总共添加 1 个文件"});
}

// WCAG's contrast ratio of two colours: 1 when alike, 21 for black on white.
double contrast(QColor a, QColor b) {
    const auto luminance = [](QColor c) {
        const auto linear = [](double v) {
            return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * linear(c.redF()) + 0.7152 * linear(c.greenF()) + 0.0722 * linear(c.blueF());
    };
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// The count and capacity cannot be typed into, yet read at 4.5:1 or better.
// The label before the link ends where the link begins, so that the two read
// as one line.
TEST_F(WindowTest, BottomLinesReadClearly) {
    for (const app::Display display : {app::Display::FileCount, app::Display::Capacity}) {
        QLineEdit& readout = window.display(display);
        SCOPED_TRACE(readout.objectName().toStdString());
        readout.setText("4294967295");
        for (const auto group : {QPalette::Active, QPalette::Inactive}) {
            const QPalette::ColorGroup drawn = readout.isEnabled() ? group : QPalette::Disabled;
            EXPECT_GE(contrast(readout.palette().color(drawn, QPalette::Text),
                               readout.palette().color(drawn, QPalette::Base)),
                      4.5);
        }
        QTest::mouseClick(&readout, Qt::LeftButton);
        QTest::keyClicks(&readout, "12");
        QTest::keyClick(&readout, Qt::Key_Backspace);
        EXPECT_EQ(readout.text(), "4294967295");
    }
    // The columns where the label's line is drawn on its background.
    const QImage line =
        area().grab(QRect(0, 440, app::kLinkX, 30)).toImage().convertToFormat(QImage::Format_RGB32);
    int first = line.width();
    int last = -1;
    for (int y = 0; y < line.height(); ++y) {
        for (int x = 0; x < line.width(); ++x) {
            if (line.pixel(x, y) != line.pixel(0, 0)) {
                first = std::min(first, x);
                last = std::max(last, x);
            }
        }
    }
    const auto* label = area().findChild<QLabel*>("linkLabel");
    EXPECT_GE(first, label->x()); // nothing cut off at the left
    // The last character is a full-width colon, its ink in its left half.
    EXPECT_GT(last, app::kLinkX - label->fontMetrics().horizontalAdvance(QStringLiteral("：")));
}

// A long path keeps both its ends in sight, cut in the middle, spaces and
// all; the tip shows it whole. Cells differing only at one end must look
// different.
TEST_F(WindowTest, LongPathsCutInTheMiddle) {
    std::string middle = "/";
    for (int i = 0; i < 30; ++i) {
        middle += "dir " + std::to_string(i) + "/";
    }
    const std::string paths[] = {"/a" + middle + "x.bin", "/a" + middle + "y.bin",
                                 "/b" + middle + "x.bin"};
    window.commands().list().appendEntries(
        std::vector<NewEntry>{{paths[0], 1}, {paths[1], 1}, {paths[2], 1}});
    const QAbstractItemModel& model = *window.table().model();
    const auto drawn = [&](int row) {
        const QRect cell = window.table().visualRect(model.index(row, 1));
        return window.table().viewport()->grab(cell).toImage();
    };
    EXPECT_NE(drawn(0), drawn(1)) << "the file name is cut off";
    EXPECT_NE(drawn(0), drawn(2)) << "the start of the path is cut off";
    EXPECT_EQ(model.index(1, 1).data(Qt::ToolTipRole).toString(), q(paths[1]));
    EXPECT_FALSE(model.index(1, 2).data(Qt::ToolTipRole).isValid());
}

// View result hands the desktop the folder of the last save as a local file,
// also when its name holds characters that mean something in an address.
TEST_F(WindowTest, ViewResultOpensTheSaveFolder) {
    for (const std::string name : {"plain", "with space", "hash#1", "per%20cent", "q?x=1"}) {
        const std::string folder = "/saved/" + name + "/";
        window.commands().state().outputFolder = folder;
        QTest::mouseClick(window.button(app::cmd::ViewResult), Qt::LeftButton);
        EXPECT_TRUE(dialogs.opened.isLocalFile()) << name;
        EXPECT_EQ(dialogs.opened.toLocalFile(), q(folder));
    }
}

} // namespace
} // namespace zd::test

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
#include <gtest/gtest.h>

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
    std::optional<QString> saveAs; // the save dialog's answer
    QUrl opened;                   // the last address handed to the desktop

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
        return saveAs;
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

// The controls relative to the area below the menu bar; an icon button's
// text is its accessible name.
const struct {
    const char* name;
    const char* text;
    QRect geometry;
} kControls[] = {
    {"frame", "选择文件与参数", {20, 10, 722, 425}},
    {"404", "前置添加文件信息", {300, 30, 145, 20}},
    {"offsetLabel", "前置偏移地址", {460, 30, 100, 20}},
    {"208", "-", {561, 28, 20, 20}},
    {"402", "0", {580, 28, 110, 20}},
    {"207", "+", {690, 28, 20, 20}},
    {"601", "保存", {710, 28, 20, 20}},
    {"203", "添加文件", {761, 18, 100, 30}},
    {"210", "导入存档", {761, 63, 100, 30}},
    {"205", "上移", {761, 108, 100, 30}},
    {"206", "下移", {761, 153, 100, 30}},
    {"201", "删除", {761, 198, 100, 30}},
    {"202", "清空", {761, 243, 100, 30}},
    {"204", "合并保存", {761, 288, 100, 30}},
    {"209", "查看结果", {761, 333, 100, 30}},
    {"300", "", {30, 55, 700, 340}},
    {"fileCountLabel", "文件总数", {30, 405, 60, 20}},
    {"401", "0", {100, 403, 60, 20}},
    {"capacityLabel", "封包容量（Bytes）", {460, 405, 130, 20}},
    {"403", "0", {590, 403, 140, 20}},
    {"linkLabel",
     "推荐结合zu(DAVA)液晶控制芯片使用：VE8889 / RE8876 等，更多信息请访问：",
     {30, 445, 533, 20}},
};

TEST_F(WindowTest, ControlsAsDesignedAndTabWalksThem) {
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Tessarine Tool (Ver: 1.1.0.0)"));
    EXPECT_EQ(area().size(), QSize(884, 471));
    window.resize(1200, 800); // growing the window moves nothing
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
    // The list's columns: title, width and alignment.
    QStringList columns;
    const QAbstractItemModel& model = *window.table().model();
    for (int column = 0; column < model.columnCount(); ++column) {
        const int align = model.headerData(column, Qt::Horizontal, Qt::TextAlignmentRole).toInt();
        columns << model.headerData(column, Qt::Horizontal).toString() + " " +
                       QString::number(window.table().columnWidth(column)) +
                       (align & Qt::AlignHCenter ? " centre"
                        : align & Qt::AlignRight ? " right"
                                                 : " left");
    }
    EXPECT_EQ(columns.join(", "), "No. 40 centre, File Name 300 left, Size(byte) 100 right, "
                                  "Address 100 right, Data Format 100 centre");
    EXPECT_FALSE(model.headerData(0, Qt::Vertical).isValid());
    EXPECT_FALSE(model.headerData(model.columnCount(), Qt::Horizontal).isValid());
    // No row header in front of them; rows one text line high, like a report list.
    window.commands().list().appendEntries(std::vector<NewEntry>{{"/a", 1}, {"/b", 1}});
    QApplication::processEvents();
    EXPECT_LE(window.table().viewport()->x(), window.table().frameWidth());
    EXPECT_LE(window.table().rowHeight(1), window.table().fontMetrics().height() + 6);
    EXPECT_FALSE(window.button(app::cmd::ApplyOffset)->icon().isNull()); // its picture, no text

    // Rows give Tab cells to wander through.
    window.table().setCurrentIndex(window.table().model()->index(0, 0));
    window.fileInfoBox().setFocus();
    QStringList order;
    for (int step = 0; step < 15;
         ++step, QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab)) {
        order << QApplication::focusWidget()->objectName();
    }
    EXPECT_EQ(order.join(' '), "404 208 402 207 601 203 210 205 206 201 202 204 209 300 404");
}

// The menus as the user reads them: "menu: item | item; menu: ...".
QString menuLayout(const QMainWindow& window) {
    QStringList menus;
    for (const QAction* menu : window.menuBar()->actions()) {
        QStringList items;
        for (const QAction* item : menu->menu()->actions()) {
            items << item->text();
        }
        menus << menu->text() + ": " + items.join(" | ");
    }
    return menus.join("; ");
}

// A menu item by what it reads, "menu/item".
QAction* menuItem(const QMainWindow& window, const QString& path) {
    for (const QAction* menu : window.menuBar()->actions()) {
        for (QAction* item : menu->menu()->actions()) {
            if (menu->text() + "/" + item->text() == path) {
                return item;
            }
        }
    }
    return nullptr;
}

// Centred on the screen's free area, truncating toward zero; a desktop finds
// the window's entry (and icon) by the name the window gives.
TEST(MainWindow, PlacementAndDesktopEntry) {
    const std::pair<QSize, QPoint> cases[] = {
        {{1920, 1080}, {510, 275}}, {{799, 529}, {-50, 0}}, {{900, 530}, {0, 0}}};
    for (const auto& [screen, topLeft] : cases) {
        EXPECT_EQ(ui::centredPosition(screen), topLeft) << screen.width();
    }
    EXPECT_TRUE(QFile::exists(QStringLiteral(ZD_RESOURCES_DIR "/") +
                              QGuiApplication::desktopFileName() + ".desktop"));
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

// Each control (a button by its id, a menu item by its text) reaches its own
// command: what the command asks first tells which ran; the offset commands
// show in the two edits. An `altKey` is pressed with Alt on the control
// instead of clicking it.
TEST_F(WindowTest, EachControlReachesItsCommand) {
    EXPECT_EQ(menuLayout(window), "文件(&F): 从文件夹导入(&F)... | 退出(&X); "
                                  "帮助(&H): 使用说明 | 版本历史 | 最新版本 | 关于(&A) ...");
    const struct {
        const char* control;
        const char* first;
        Qt::Key altKey = Qt::Key_unknown;
    } rows[] = {
        {"203", "open 选择导入文件（多选）"},
        {"210", "open 选择存档文件"},
        {"204", "save 选择保存位置和文件名称"},
        {"201", "message 提示 请选择要删除的行。"},
        {"202", "message 提示 确定要全部清空吗？"},
        {"205", "message 提示 已经是第一行！"},
        {"206", "message 提示 已经是最后一行！"},
        {"209", "message 提示 尚未保存过文件，暂无可查看的输出文件夹。"},
        {"404", "message 前置添加文件信息说明 "},
        {"601", "offset 0x100 capacity 256"},
        {"207", "offset 4352 capacity 4352"},
        {"208", "offset 256 capacity 256"},
        {"文件(&F)/从文件夹导入(&F)...", "open 选择任一文件即导入当前文件夹所有文件"},
        {"帮助(&H)/使用说明", "dialog 129"},
        {"帮助(&H)/版本历史", "dialog 134"},
        {"帮助(&H)/关于(&A) ...", "dialog 103"},
        {"300", "dialog 103", Qt::Key_Slash},
        {"203", "dialog 103", Qt::Key_Question},
        {"帮助(&H)/最新版本", "url http://www.example.com/html/2023/software_1106/35.html"},
        {"文件(&F)/退出(&X)", "closed"},
    };
    window.display(app::Display::FrontOffset).setText("0x100"); // for Apply (601) to read
    for (const auto& row : rows) {
        SCOPED_TRACE(row.control);
        dialogs.log.clear();
        auto* control = area().findChild<QWidget*>(row.control);
        if (QAction* item = menuItem(window, QString::fromUtf8(row.control))) {
            item->trigger();
        } else if (control == nullptr) {
            FAIL() << "no such control";
        } else if (row.altKey != Qt::Key_unknown) {
            QTest::keyClick(control, row.altKey, Qt::AltModifier);
        } else {
            QTest::mouseClick(control, Qt::LeftButton);
        }
        const QString seen = dialogs.log.value(
            0, window.isVisible() ? "offset " + shown(app::Display::FrontOffset) + " capacity " +
                                        shown(app::Display::Capacity)
                                  : "closed");
        EXPECT_TRUE(seen.startsWith(
            QString::fromUtf8(row.first).replace("www.example.com", q(ui::publisherHost()))))
            << seen.toStdString();
    }
    EXPECT_EQ(dialogs.dialogTopLeft, area().mapToGlobal(QPoint(0, 0)));
}

// Colour and cursor follow the pointer, the rectangle's edges inside; moves
// over labels reach the area, moves over controls stay with them.
TEST_F(WindowTest, LinkFollowsThePointer) {
    // A move as the window system delivers it: hit-tested from the window.
    const auto moveTo = [this](QWidget* over, QPoint at) {
        QTest::mouseMove(&window, over->mapTo(&window, at));
        QApplication::processEvents();
        return window.commands().state().linkHot;
    };
    const auto colour = [this] { // which of its two colours the link line shows
        const QImage line =
            area().grab(QRect(562, 445, 211, 21)).toImage().convertToFormat(QImage::Format_RGB32);
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
    for (const QPoint inside : {QPoint(562, 445), QPoint(772, 465)}) {
        moveTo(&area(), {100, 200});
        EXPECT_TRUE(moveTo(&area(), inside)) << inside.x() << "," << inside.y();
        EXPECT_EQ(area().cursor().shape(), Qt::PointingHandCursor);
    }
    EXPECT_EQ(colour(), "blue");
    for (const QPoint outside :
         {QPoint(561, 445), QPoint(773, 445), QPoint(562, 444), QPoint(562, 466)}) {
        ASSERT_TRUE(moveTo(&area(), {600, 455}));
        EXPECT_FALSE(moveTo(&area(), outside)) << outside.x() << "," << outside.y();
        EXPECT_EQ(area().cursor().shape(), Qt::ArrowCursor);
    }
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
    EXPECT_EQ(dialogs.log, QStringList{"url http://" + q(ui::publisherHost())});
}

// Files and a folder dropped on the list are added; the port then keeps the
// selection with a moved row and leaves the current row where it was;
// several rows can be selected. Names given at start are added as a drop.
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
    writeFile(dir / "folder/y", "4444");
    EXPECT_EQ(drop({QUrl("http://example.org/a.bin")}), "---"); // not a local file
    EXPECT_EQ(
        drop({QUrl::fromLocalFile(q(dir / "one.bin")), QUrl::fromLocalFile(q(dir / "folder"))}),
        "+++");
    EXPECT_EQ(cell(1), q(dir / "folder/x.dot"));
    EXPECT_EQ(dialogs.log, QStringList{"message 提示 总共添加 3 个文件"});
    EXPECT_EQ(shown(app::Display::Capacity), "8");

    window.table().selectRow(0);
    const QModelIndex current = window.table().currentIndex();
    QTest::mouseClick(window.button(app::cmd::MoveDown), Qt::LeftButton);
    EXPECT_EQ(cell(1), q(dir / "one.bin"));
    const QModelIndexList selected = window.table().selectionModel()->selectedRows();
    ASSERT_EQ(selected.size(), 1);
    EXPECT_EQ(selected[0].row(), 1);
    EXPECT_EQ(window.table().currentIndex(), current);

    // Several rows at once, with Ctrl.
    for (const int row : {0, 2}) {
        const QRect cell = window.table().visualRect(window.table().model()->index(row, 1));
        QTest::mouseClick(window.table().viewport(), Qt::LeftButton, Qt::ControlModifier,
                          cell.center());
    }
    EXPECT_EQ(window.table().selectionModel()->selectedRows().size(), 3);

    // Started: in the middle of the screen; names given at start are added as
    // a drop adds them, once the window runs.
    std::string program = "zadodaziderav";
    std::string named = dir / "folder";
    char* argv[] = {program.data(), named.data(), nullptr};
    dialogs.log.clear();
    window.start(1, argv);
    window.start(2, argv);
    EXPECT_EQ(window.commands().list().rowCount(), 3);
    QTest::qWait(20);
    EXPECT_EQ(cell(4), q(dir / "folder/y"));
    const QScreen& screen = *QGuiApplication::primaryScreen();
    const QPoint centred =
        screen.geometry().topLeft() + ui::centredPosition(screen.availableGeometry().size());
    EXPECT_LE((window.pos() - centred).manhattanLength(), 4); // the platform may nudge it
    EXPECT_EQ(dialogs.log, QStringList{"message 提示 总共添加 2 个文件"});
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

// The columns of `image` (left to right) in which some pixel differs from
// the top-left one: where something is drawn on the background.
std::pair<int, int> inkColumns(const QImage& image) {
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    int first = rgb.width();
    int last = -1;
    for (int y = 0; y < rgb.height(); ++y) {
        for (int x = 0; x < rgb.width(); ++x) {
            if (rgb.pixel(x, y) != rgb.pixel(0, 0)) {
                first = std::min(first, x);
                last = std::max(last, x);
            }
        }
    }
    return {first, last};
}

// The count and capacity cannot be typed into, yet read at 4.5:1 or better. The label before the
// link ends where the link begins, so that the two read as one line.
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

    const auto* label = area().findChild<QLabel*>("linkLabel");
    ASSERT_NE(label, nullptr);
    const int linkX = app::kLinkX;
    const auto [first, last] = inkColumns(area().grab(QRect(0, 440, linkX, 30)).toImage());
    EXPECT_GE(first, label->x()); // nothing cut off at the left
    // The last character is a full-width colon, its ink in its left half.
    EXPECT_GT(last, linkX - label->fontMetrics().horizontalAdvance(QStringLiteral("：")));
}

// A long path keeps both its ends in sight, cut in the middle; the tip shows
// it whole. Cells differing only at one end must look different.
TEST_F(WindowTest, LongPathsCutInTheMiddle) {
    const std::string middle = "/" + std::string(150, 'm') + "/";
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
    TempDir dir;
    writeFile(dir / "in.bin", "1234");
    window.commands().list().appendEntry(dir / "in.bin", 4, ".bin");
    for (const std::string name : {"plain", "with space", "hash#1", "per%20cent", "q?x=1"}) {
        SCOPED_TRACE(name);
        const std::string folder = dir / name;
        std::filesystem::create_directory(folder);
        dialogs.saveAs = q(folder + "/out.bin");
        QTest::mouseClick(window.button(app::cmd::MergeSave), Qt::LeftButton);
        EXPECT_EQ(readFile(folder + "/out.bin"), "1234");
        QTest::mouseClick(window.button(app::cmd::ViewResult), Qt::LeftButton);
        EXPECT_TRUE(dialogs.opened.isLocalFile());
        EXPECT_EQ(dialogs.opened.toLocalFile(), q(folder + "/"));
    }
}

} // namespace
} // namespace zd::test

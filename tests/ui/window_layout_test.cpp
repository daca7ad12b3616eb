// The window as it first appears: title, the fixed controls, the list's
// columns, the start values and the menus.
#include "window_fixture.h"

#include <QAction>
#include <QCheckBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>

namespace zd::test {
namespace {

struct ControlRow {
    const char* name;
    const char* text;
    QRect geometry;
};

// The controls as the window's design gives them, relative to the area
// below the menu bar.
const ControlRow kControls[] = {
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

// A label's or button's text, a group's title, or an icon button's name.
QString shownText(const QWidget* widget) {
    for (const char* property : {"text", "title"}) {
        if (const QString text = widget->property(property).toString(); !text.isEmpty()) {
            return text;
        }
    }
    return widget->accessibleName();
}

TEST_F(WindowTest, ControlsSitWhereTheDesignPutsThem) {
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Tessarine Tool (Ver: 1.1.0.0)"));
    EXPECT_EQ(area().size(), QSize(884, 471));
    window.resize(1200, 800); // growing the window moves nothing
    QTest::qWait(20);

    const QList<QWidget*> children = area().findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    EXPECT_EQ(children.size(), static_cast<qsizetype>(std::size(kControls)));
    for (const ControlRow& row : kControls) {
        SCOPED_TRACE(row.name);
        const auto* control =
            area().findChild<QWidget*>(QString::fromLatin1(row.name), Qt::FindDirectChildrenOnly);
        ASSERT_NE(control, nullptr);
        EXPECT_EQ(control->geometry(), row.geometry);
        EXPECT_EQ(shownText(control), QString::fromUtf8(row.text));
        EXPECT_TRUE(control->isVisible());
    }
}

TEST_F(WindowTest, TheListAndThePictures) {
    EXPECT_FALSE(window.display(app::Display::FileCount).isEnabled());
    EXPECT_FALSE(window.display(app::Display::Capacity).isEnabled());
    EXPECT_TRUE(window.display(app::Display::FrontOffset).isEnabled());
    EXPECT_EQ(window.button(app::cmd::ApplyOffset)->icon().availableSizes().size(), 5);
    EXPECT_EQ(window.windowIcon().availableSizes().size(), 7);
    EXPECT_EQ(QApplication::applicationVersion(), QStringLiteral("1.1.0.0"));

    ui::EntryTableView& table = window.table();
    EXPECT_FALSE(table.verticalHeader()->isVisible());
    EXPECT_TRUE(table.showGrid());
    EXPECT_EQ(table.selectionMode(), QAbstractItemView::ExtendedSelection);
    EXPECT_EQ(table.selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_EQ(table.editTriggers(), QAbstractItemView::NoEditTriggers);
    for (const auto& [column, width] : {std::pair{0, 40}, {1, 300}, {2, 100}, {3, 100}, {4, 100}}) {
        EXPECT_EQ(table.columnWidth(column), width) << column;
    }
    // The selection stays visible when the list loses the focus.
    EXPECT_EQ(table.palette().color(QPalette::Inactive, QPalette::Highlight),
              table.palette().color(QPalette::Active, QPalette::Highlight));
}

TEST_F(WindowTest, MenusHoldTheirItems) {
    QStringList seen;
    for (QAction* top : window.menuBar()->actions()) {
        seen << top->text();
        for (QAction* item : top->menu()->actions()) {
            seen << item->objectName() + QLatin1Char('=') + item->text();
        }
    }
    EXPECT_EQ(seen, (QStringList{"文件(&F)", "32785=从文件夹导入(&F)...", "105=退出(&X)",
                                 "帮助(&H)", "32783=使用说明", "32796=版本历史", "32797=最新版本",
                                 "104=关于(&A) ..."}));
}

TEST_F(WindowTest, TabWalksTheControlsInOrder) {
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    // With rows, so that the list has cells Tab could wander through.
    list().appendEntry("/data/a.bin", 1, ".bin");
    list().appendEntry("/data/b.bin", 1, ".bin");
    window.table().setCurrentIndex(window.table().model()->index(0, 0));
    window.fileInfoBox().setFocus();
    QStringList order{QApplication::focusWidget()->objectName()};
    for (int step = 0; step < 14; ++step) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        order << QApplication::focusWidget()->objectName();
    }
    EXPECT_EQ(order, (QStringList{"404", "208", "402", "207", "601", "203", "210", "205", "206",
                                  "201", "202", "204", "209", "300", "404"}));
}

TEST(WindowPlacement, CentresByTruncatingDivision) {
    EXPECT_EQ(ui::centredPosition({1920, 1040}), QPoint(510, 255));
    EXPECT_EQ(ui::centredPosition({799, 529}), QPoint(-50, 0));
    EXPECT_EQ(ui::centredPosition({798, 331}), QPoint(-51, -99));
}

} // namespace
} // namespace zd::test

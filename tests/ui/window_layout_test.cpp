// The window as it first appears: title, the fixed controls, the menus and
// the order Tab walks.
#include "window_fixture.h"

#include <QApplication>
#include <QMenu>
#include <QMenuBar>

namespace zd::test {
namespace {

// The controls as the window's design gives them, relative to the area
// below the menu bar. Icon buttons show their name as accessible name.
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
    {"linkLabel", "推荐结合zu(DAVA)液晶控制芯片使用：VE8889 / RE8876 等，更多信息请访问：",
     {30, 445, 533, 20}},
};

TEST_F(WindowTest, ControlsAndMenusAsDesigned) {
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
        const QString text = control->property("text").toString() +
                             control->property("title").toString() + control->accessibleName();
        EXPECT_EQ(text, QString::fromUtf8(row.text));
        EXPECT_TRUE(control->isVisible());
    }

    QStringList menus;
    for (QAction* top : window.menuBar()->actions()) {
        menus << top->text();
        for (QAction* item : top->menu()->actions()) {
            menus << item->objectName() + '=' + item->text();
        }
    }
    EXPECT_EQ(menus.join(' '), QStringLiteral("文件(&F) 32785=从文件夹导入(&F)... 105=退出(&X) 帮助(&H) "
                                              "32783=使用说明 32796=版本历史 32797=最新版本 104=关于(&A) ..."));
}

// With rows in the list, so that Tab could wander through its cells.
TEST_F(WindowTest, TabWalksTheControlsInOrder) {
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    list().appendEntries(std::vector<NewEntry>{{"/a.bin", 1}, {"/b.bin", 1}});
    window.table().setCurrentIndex(window.table().model()->index(0, 0));
    window.fileInfoBox().setFocus();
    QStringList order;
    for (int step = 0; step < 15; ++step, QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab)) {
        order << QApplication::focusWidget()->objectName();
    }
    EXPECT_EQ(order.join(' '), "404 208 402 207 601 203 210 205 206 201 202 204 209 300 404");
}

} // namespace
} // namespace zd::test

// The web link: its colour and the cursor follow the pointer, with the
// rectangle's edges counted inside; a press opens the publisher's site.
#include "window_fixture.h"

#include <QCheckBox>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>

namespace zd::test {
namespace {

class LinkTest : public WindowTest {
  protected:
    // A move as the window system delivers it: hit-tested from the window.
    void moveTo(QPoint inArea) {
        QTest::mouseMove(&window, area().mapTo(&window, inArea));
        QApplication::processEvents();
    }
    void moveOver(QWidget* child, QPoint local) {
        QTest::mouseMove(&window, child->mapTo(&window, local));
        QApplication::processEvents();
    }
    bool hot() { return window.commands().state().linkHot; }
    Qt::CursorShape cursor() { return area().cursor().shape(); }

    // How many pixels of the link line have exactly `colour`.
    int pixelsOf(const QColor& colour) {
        const QImage image = area().grab(QRect(562, 445, 211, 21)).toImage();
        int count = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                count += image.pixelColor(x, y).rgb() == colour.rgb() ? 1 : 0;
            }
        }
        return count;
    }
};

TEST_F(LinkTest, EdgesCountAsInside) {
    const QColor grey(50, 50, 50);
    const QColor blue(0, 0, 255);
    EXPECT_GT(pixelsOf(grey), 0);
    EXPECT_EQ(pixelsOf(blue), 0);

    for (const QPoint inside : {QPoint(562, 445), QPoint(772, 465), QPoint(700, 460)}) {
        moveTo({100, 200});
        moveTo(inside);
        EXPECT_TRUE(hot()) << inside.x() << "," << inside.y();
        EXPECT_EQ(cursor(), Qt::PointingHandCursor);
    }
    EXPECT_GT(pixelsOf(blue), 0);
    EXPECT_EQ(pixelsOf(grey), 0);

    for (const QPoint outside :
         {QPoint(561, 445), QPoint(773, 445), QPoint(562, 444), QPoint(562, 466)}) {
        moveTo({600, 455});
        ASSERT_TRUE(hot());
        moveTo(outside);
        EXPECT_FALSE(hot()) << outside.x() << "," << outside.y();
        EXPECT_EQ(cursor(), Qt::ArrowCursor);
    }
    EXPECT_GT(pixelsOf(grey), 0);
    EXPECT_EQ(pixelsOf(blue), 0);
}

// Over the text in front of the link the area below sees the move; over a
// control the control keeps it, so the link stays lit.
TEST_F(LinkTest, MovesOverLabelsCountButNotOverControls) {
    moveTo({600, 455});
    moveTo({100, 450});
    EXPECT_FALSE(hot());
    moveTo({600, 455});
    for (QWidget* control : {static_cast<QWidget*>(window.button(app::cmd::ViewResult)),
                             window.table().viewport(),
                             static_cast<QWidget*>(&window.display(app::Display::FrontOffset)),
                             static_cast<QWidget*>(&window.fileInfoBox())}) {
        moveOver(control, {20, 10});
        EXPECT_TRUE(hot()) << control->objectName().toStdString();
    }
}

TEST_F(LinkTest, PressInsideOpensTheHost) {
    for (const QPoint at : {QPoint(561, 455), QPoint(772, 465)}) { // outside, then inside
        QTest::mouseClick(window.windowHandle(), Qt::LeftButton, {}, area().mapTo(&window, at));
    }
    EXPECT_EQ(dialogs.log, QStringList{"url http://" + QString::fromStdString(ui::publisherHost())});
}

} // namespace
} // namespace zd::test

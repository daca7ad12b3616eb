// The web link: its colour and the cursor follow the pointer, with the
// rectangle's edges counted inside; moves over labels reach the area, moves
// over controls stay with them; a press opens the publisher's site.
#include "window_fixture.h"

#include <QImage>
#include <algorithm>

namespace zd::test {
namespace {

TEST_F(WindowTest, LinkFollowsThePointer) {
    // A move as the window system delivers it: hit-tested from the window.
    const auto moveTo = [this](QWidget* over, QPoint at) {
        QTest::mouseMove(&window, over->mapTo(&window, at));
        QApplication::processEvents();
        return window.commands().state().linkHot;
    };
    // Which of the link's two colours the line shows.
    const auto colours = [this] {
        const QImage image =
            area().grab(QRect(562, 445, 211, 21)).toImage().convertToFormat(QImage::Format_RGB32);
        const auto* first = reinterpret_cast<const QRgb*>(image.constBits());
        const auto* last = first + image.width() * image.height();
        QString shown;
        for (const auto& [name, colour] : {std::pair{"grey", qRgb(50, 50, 50)}, {"blue", qRgb(0, 0, 255)}}) {
            shown += std::find(first, last, colour) != last ? name : "";
        }
        return shown;
    };
    EXPECT_EQ(colours(), "grey");
    for (const QPoint inside : {QPoint(562, 445), QPoint(772, 465)}) {
        moveTo(&area(), {100, 200});
        EXPECT_TRUE(moveTo(&area(), inside)) << inside.x() << "," << inside.y();
        EXPECT_EQ(area().cursor().shape(), Qt::PointingHandCursor);
    }
    EXPECT_EQ(colours(), "blue");
    for (const QPoint outside : {QPoint(561, 445), QPoint(773, 445), QPoint(562, 444), QPoint(562, 466)}) {
        ASSERT_TRUE(moveTo(&area(), {600, 455}));
        EXPECT_FALSE(moveTo(&area(), outside)) << outside.x() << "," << outside.y();
        EXPECT_EQ(area().cursor().shape(), Qt::ArrowCursor);
    }
    EXPECT_EQ(colours(), "grey");

    // Over the label in front of the link the area sees the move; over a
    // control the control keeps it, so the link stays lit.
    moveTo(&area(), {600, 455});
    EXPECT_FALSE(moveTo(&area(), {100, 450}));
    moveTo(&area(), {600, 455});
    for (QWidget* control : std::initializer_list<QWidget*>{window.button(app::cmd::ViewResult),
         window.table().viewport(), &window.display(app::Display::FrontOffset), &window.fileInfoBox()}) {
        EXPECT_TRUE(moveTo(control, {20, 10})) << control->objectName().toStdString();
    }

    for (const QPoint at : {QPoint(561, 455), QPoint(772, 465)}) { // outside, then inside
        QTest::mouseClick(window.windowHandle(), Qt::LeftButton, {}, area().mapTo(&window, at));
    }
    EXPECT_EQ(dialogs.log, QStringList{"url http://" + q(ui::publisherHost())});
}

} // namespace
} // namespace zd::test

#include "ui/icons.h"

#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>
#include <initializer_list>

// Outside any namespace, as Qt's resource initialiser requires.
static void initResources() {
    Q_INIT_RESOURCE(zadodaziderav);
}

namespace zd::ui {

namespace {

QIcon render(const QString& source, std::initializer_list<int> sizes) {
    initResources();
    QSvgRenderer renderer(source);
    QIcon icon;
    if (!renderer.isValid()) {
        return icon; // a missing picture leaves the control without one
    }
    for (const int size : sizes) {
        QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        renderer.render(&painter);
        painter.end();
        icon.addPixmap(QPixmap::fromImage(image));
    }
    return icon;
}

} // namespace

QIcon applicationIcon() {
    return render(QStringLiteral(":/icons/icon133.svg"), {256, 128, 96, 64, 48, 32, 16});
}

QIcon applyIcon() {
    return render(QStringLiteral(":/icons/icon135.svg"), {128, 96, 64, 48, 32});
}

} // namespace zd::ui

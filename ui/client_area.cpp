#include "ui/client_area.h"

#include "app/commands.h"

#include <QMouseEvent>
#include <QPainter>

namespace zd::ui {

namespace {

const QColor kLinkColour(50, 50, 50);
const QColor kHotLinkColour(0, 0, 255);

} // namespace

ClientArea::ClientArea(QWidget* parent) : QWidget(parent) {
    setMouseTracking(true);
    setCursor(Qt::ArrowCursor);
}

QRect ClientArea::linkTextRect() const {
    if (commands_ == nullptr) {
        return {};
    }
    const QString text = QString::fromStdString(commands_->linkText());
    return {QPoint(app::kLinkX, app::kLinkY), fontMetrics().size(Qt::TextSingleLine, text)};
}

QRect ClientArea::linkArea() const {
    const app::LinkRect& hit = app::kLinkRect;
    return QRect(QPoint(hit.left, hit.top), QPoint(hit.right, hit.bottom)) | linkTextRect();
}

void ClientArea::paintEvent(QPaintEvent* /*event*/) {
    if (commands_ == nullptr) {
        return;
    }
    QPainter painter(this);
    const QRect textRect = linkTextRect();
    painter.fillRect(textRect, Qt::white);
    painter.setPen(commands_->state().linkHot ? kHotLinkColour : kLinkColour);
    painter.drawText(textRect, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                     QString::fromStdString(commands_->linkText()));
}

void ClientArea::mouseMoveEvent(QMouseEvent* event) {
    // The arrow before every move; the commands ask for the hand over the link.
    setCursor(Qt::ArrowCursor);
    if (commands_ != nullptr) {
        const QPoint at = event->position().toPoint();
        commands_->onMouseMove(at.x(), at.y());
    }
}

void ClientArea::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && commands_ != nullptr) {
        const QPoint at = event->position().toPoint();
        commands_->onLeftButtonDown(at.x(), at.y());
    }
}

} // namespace zd::ui

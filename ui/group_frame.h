// A group frame whose title sits on the frame line, as on the desktop the
// layouts were made for; styles that put the title above the line push the
// frame down onto the controls placed inside it.
#pragma once

#include <QGroupBox>
#include <QStyle>
#include <QStyleFactory>

namespace zd::ui {

inline QGroupBox* makeGroupFrame(const QString& title, QWidget* parent) {
    auto* frame = new QGroupBox(title, parent);
    if (QStyle* titled = QStyleFactory::create(QStringLiteral("Windows"))) {
        titled->setParent(frame);
        frame->setStyle(titled);
    }
    return frame;
}

} // namespace zd::ui

// The area below the menu bar: it holds every control at a fixed place,
// paints the web link and passes the pointer's moves and presses on to the
// commands.
#pragma once

#include <QWidget>

namespace zd::app {
class Commands;
}

namespace zd::ui {

class ClientArea final : public QWidget {
    Q_OBJECT
  public:
    explicit ClientArea(QWidget* parent = nullptr);

    // Where the link's colour and text come from; set once the commands exist.
    void setCommands(app::Commands* commands) { commands_ = commands; }

    // The part of the area the link occupies: its hit rectangle and its text.
    QRect linkArea() const;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

  private:
    QRect linkTextRect() const;

    app::Commands* commands_ = nullptr;
};

} // namespace zd::ui

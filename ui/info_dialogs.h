// The About, Usage and Revision history dialogs, laid out in dialog units of
// their own font.
#pragma once

#include "app/port.h"

#include <QDialog>
#include <QFont>
#include <QRect>
#include <memory>

namespace zd::ui {

// Dialog units to pixels through a font: a horizontal unit is a quarter of the
// font's average character width, a vertical one an eighth of its height.
class DialogUnits {
  public:
    explicit DialogUnits(const QFont& font);
    int x(int units) const;
    int y(int units) const;
    QRect rect(int x, int y, int width, int height) const;

  private:
    int averageWidth_;
    int height_;
};

// The dialog, not yet shown; OK accepts, Esc and the close box reject.
std::unique_ptr<QDialog> makeInfoDialog(app::InfoDialog which, QWidget* parent);

} // namespace zd::ui

// The program's two pictures, drawn from their SVG sources at the sizes the
// desktop asks for most.
#pragma once

#include <QIcon>

namespace zd::ui {

// Icon 133: the window and the About dialog.
QIcon applicationIcon();
// Icon 135: the picture of the apply-offset button.
QIcon applyIcon();

} // namespace zd::ui

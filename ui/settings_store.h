// The settings each user keeps, in Qt's INI file of the program:
// $XDG_CONFIG_HOME/zadodaziderav/zadodaziderav.conf (~/.config unless set),
// one group a section.
#pragma once

#include "app/port.h"

#include <QString>

namespace zd::ui {

// Every key of `group` with its text; none when there is no file.
app::SettingTexts readSettingsGroup(const QString& group);

// Puts `values` in place of `group`'s keys; false when the file could not be
// written.
bool writeSettingsGroup(const QString& group, const app::SettingTexts& values);

} // namespace zd::ui

// The merge settings dialog, made from the app's table of its fields as a
// dialog template, so that the system lays it out and walks it with Tab as
// it does the resource script's dialogs.
#pragma once

#include "app/port.h"
#include "win32/dialog_template.h"

#include <functional>
#include <optional>
#include <string>
#include <windows.h>

namespace zd::win32 {

// The dialog as the app's table describes it.
TemplateDialog settingsDialogTemplate();

// Tells the user what is wrong with the values, over the dialog.
using TellProblem = std::function<void(HWND dialog, const std::string& problem)>;

// Runs the dialog over `owner`, showing `shown`: the values at 确定 once
// `check` finds nothing wrong with them (until then each 确定 hands its
// message to `tell` and the dialog stays open); nothing for 取消.
std::optional<app::SettingTexts> runSettingsDialog(HINSTANCE instance, HWND owner,
                                                   const app::SettingTexts& shown,
                                                   const app::SettingsCheck& check,
                                                   const TellProblem& tell);

// Every field's value in the open dialog, by its setting's key: texts as
// typed, switches "true" or "false".
app::SettingTexts settingsDialogValues(HWND dialog);

} // namespace zd::win32

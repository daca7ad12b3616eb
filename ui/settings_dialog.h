// The merge settings dialog, built from the app's table of its fields.
#pragma once

#include "app/port.h"

#include <QDialog>
#include <functional>

namespace zd::ui {

class SettingsDialog final : public QDialog {
    Q_OBJECT
  public:
    // Shows `shown`; 确定 keeps the values only when `check` finds nothing
    // wrong, else hands its message to `tell` and stays open.
    SettingsDialog(const app::SettingTexts& shown, app::SettingsCheck check,
                   std::function<void(const QString&)> tell, QWidget* parent = nullptr);

    // Every field's value by its setting's key: texts as typed, switches
    // "true" or "false".
    app::SettingTexts values() const;

    void accept() override;

  private:
    app::SettingsCheck check_;
    std::function<void(const QString&)> tell_;
};

} // namespace zd::ui

// Every modal dialog and every hand-over to the desktop goes through this
// layer, so that the window can be driven without anybody at the screen.
#pragma once

#include "app/port.h"

#include <QPoint>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <optional>
#include <vector>

class QWidget;

namespace zd::ui {

class DialogLayer {
  public:
    virtual ~DialogLayer() = default;

    virtual app::Answer message(QWidget* owner, const QString& text, const QString& caption,
                                app::Icon icon, app::Buttons buttons) = 0;
    // Full paths of the chosen existing files; empty when cancelled.
    virtual QStringList openFiles(QWidget* owner, const app::FileDialogRequest& request) = 0;
    // The confirmed path; nothing when cancelled.
    virtual std::optional<QString> saveFile(QWidget* owner,
                                            const app::FileDialogRequest& request) = 0;
    // Runs one of the information dialogs with its top-left corner at `topLeft`
    // (global coordinates).
    virtual void infoDialog(QWidget* owner, app::InfoDialog dialog, QPoint topLeft) = 0;
    // The merge settings dialog showing `shown`, over `owner`: the values at
    // 确定, nothing for 取消. 确定 with values `check` finds wrong shows its
    // message (through `message`) and keeps the dialog open.
    virtual std::optional<app::SettingTexts> mergeSettings(QWidget* owner,
                                                           const app::SettingTexts& shown,
                                                           const app::SettingsCheck& check) = 0;
    // Opens a folder or web address with the desktop's handler.
    virtual void openExternal(const QUrl& url) = 0;
};

// The name filters a Qt file dialog needs for `request`: each label as the
// user sees it, followed by its patterns in the form Qt matches.
QStringList nameFilters(const app::FileDialogRequest& request);

// The real dialogs.
class QtDialogLayer : public DialogLayer {
  public:
    app::Answer message(QWidget* owner, const QString& text, const QString& caption, app::Icon icon,
                        app::Buttons buttons) override;
    QStringList openFiles(QWidget* owner, const app::FileDialogRequest& request) override;
    std::optional<QString> saveFile(QWidget* owner, const app::FileDialogRequest& request) override;
    void infoDialog(QWidget* owner, app::InfoDialog dialog, QPoint topLeft) override;
    std::optional<app::SettingTexts> mergeSettings(QWidget* owner, const app::SettingTexts& shown,
                                                   const app::SettingsCheck& check) override;
    void openExternal(const QUrl& url) override;
};

} // namespace zd::ui

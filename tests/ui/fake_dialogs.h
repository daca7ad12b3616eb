// The window's dialog layer scripted for the window's tests.
#pragma once

#include "ui/dialog_layer.h"
#include "ui/main_window.h"

#include <QString>
#include <optional>
#include <string>

namespace zd::test {

inline QString q(const std::string& text) {
    return QString::fromStdString(text);
}

// Writes down what was asked, a line each in the words of first_asks.h,
// and "file PATH"; answers No or OK, file dialogs with `opened` and `saved`
// (none: cancelled), the settings dialog with `settings` (none: 取消).
class FakeDialogs final : public ui::DialogLayer {
  public:
    QString log;
    QStringList opened;
    std::optional<QString> saved;
    std::optional<app::SettingTexts> settings;
    QPoint dialogTopLeft;

    app::Answer message(QWidget*, const QString& text, const QString& caption, app::Icon icon,
                        app::Buttons buttons) override {
        const bool ok = buttons == app::Buttons::Ok;
        log += "message " + caption +
               (icon == app::Icon::Warning ? " !"
                : icon == app::Icon::Error ? " x"
                                           : " i") +
               (ok ? " " : "? ") + text.left(8) + "\n";
        return ok ? app::Answer::Ok : app::Answer::No;
    }
    QStringList openFiles(QWidget*, const app::FileDialogRequest& request) override {
        log += "open " + q(request.title) + "\n";
        return opened;
    }
    std::optional<QString> saveFile(QWidget*, const app::FileDialogRequest& request) override {
        log += "save " + q(request.title) + "\n";
        return saved;
    }
    void infoDialog(QWidget*, app::InfoDialog dialog, QPoint topLeft) override {
        log += "dialog " + QString::number(static_cast<int>(dialog)) + "\n";
        dialogTopLeft = topLeft;
    }
    std::optional<app::SettingTexts> mergeSettings(QWidget*, const app::SettingTexts&,
                                                   const app::SettingsCheck&) override {
        log += "settings\n";
        return settings;
    }
    void openExternal(const QUrl& url) override {
        log +=
            (url.isLocalFile() ? "file " + url.toLocalFile()
                               : "url " + url.toString().replace(q(ui::publisherHost()), "host")) +
            "\n";
    }
};

} // namespace zd::test

// The window's dialog layer scripted for the window's tests.
#pragma once

#include "core/files/utf16_text.h"
#include "win32/dialogs.h"

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

namespace zd::win32 {

using Strings = std::vector<std::string>;

// Logs every dialog and hand-over as a line of UTF-8 in the words of
// first_asks.h. A question is answered Yes, an open dialog with `chosen`
// (then emptied), a save dialog with `saved` (none: cancelled), the
// settings dialog with `settings` (none: 取消).
class FakeDialogs final : public Dialogs {
  public:
    Strings chosen;
    std::optional<std::string> saved;
    std::optional<app::SettingTexts> settings;
    std::string log;

    int message(HWND owner, const std::wstring& text, const std::wstring& caption,
                UINT type) override {
        // The icon bits count error 1, question 2, warning 3, information 4.
        const UINT icon = (type & MB_ICONMASK) >> 4, buttons = type & MB_TYPEMASK;
        log += std::string(owner ? "" : "unowned ") + "message " + files::toUtf8(caption) + " " +
               "-x?!i#"[std::min(icon, 5u)] + (buttons == MB_YESNO ? "? " : " ") +
               files::toUtf8(text.substr(0, 8)) + "\n";
        return buttons == MB_OK ? IDOK : IDYES;
    }
    app::OpenChoice openFiles(HWND, const app::FileDialogRequest& request) override {
        log += "open " + request.title + "\n";
        return {std::exchange(chosen, {})};
    }
    std::optional<std::string> saveFile(HWND, const app::FileDialogRequest& request) override {
        log += "save " + request.title + "\n";
        return saved;
    }
    void infoDialog(HWND, int id) override { log += "dialog " + std::to_string(id) + "\n"; }
    std::optional<app::SettingTexts> mergeSettings(HWND, const app::SettingTexts&,
                                                   const app::SettingsCheck&) override {
        log += "settings\n";
        return settings;
    }
    void shellOpen(const std::wstring& to) override { log += "url " + files::toUtf8(to) + "\n"; }
};

} // namespace zd::win32

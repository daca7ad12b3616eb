// The commands' port, carried out with the main window's controls and the
// dialog layer.
#pragma once

#include "app/port.h"
#include "win32/progress_window.h"

#include <windows.h>

namespace zd::win32 {

class Dialogs;
class MainWindow;

class WindowPort final : public app::Port {
  public:
    WindowPort(MainWindow& window, Dialogs& dialogs);

    app::Answer showMessage(const std::string& text, const std::string& caption, app::Icon icon,
                            app::Buttons buttons) override;
    app::OpenChoice chooseFilesToOpen(const app::FileDialogRequest& request) override;
    std::optional<std::string> chooseFileToSave(const app::FileDialogRequest& request) override;

    std::string displayText(app::Display display) override;
    void setDisplayText(app::Display display, const std::string& text) override;
    bool isFileInfoChecked() override;

    std::vector<int> selectedRows() override;
    void setRowSelected(int row, bool selected) override;

    bool isButtonEnabled(int commandId) override;
    void setButtonEnabled(int commandId, bool enabled) override;
    void redraw() override;

    void repaintLink() override;
    void showHandCursor() override;

    void openFolder(const std::string& path) override;
    void openUrl(const std::string& url) override;
    void runDialog(app::InfoDialog dialog) override;
    std::optional<app::SettingTexts> editMergeSettings(const app::SettingTexts& shown,
                                                       const app::SettingsCheck& check) override;
    app::SettingTexts loadSettings(const std::string& group) override;
    bool storeSettings(const std::string& group, const app::SettingTexts& values) override;
    void quit() override;

    bool reportProgress(std::uint64_t done, std::uint64_t total) override;
    void endProgress() override;

    ProgressWindow& progress() { return progress_; }

  private:
    MainWindow& window_;
    Dialogs& dialogs_;
    ProgressWindow progress_;
};

} // namespace zd::win32

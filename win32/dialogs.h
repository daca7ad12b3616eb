// Every modal dialog and every hand-over to the shell goes through this
// layer, so that tests can drive the window without anybody at the screen.
#pragma once

#include "app/port.h"

#include <optional>
#include <string>
#include <vector>
#include <windows.h>

namespace zd::win32 {

class Dialogs {
  public:
    virtual ~Dialogs() = default;

    // A message box; returns IDOK, IDYES or IDNO.
    virtual int message(HWND owner, const std::wstring& text, const std::wstring& caption,
                        UINT type) = 0;
    // Full paths (UTF-8) of the chosen existing files; none when cancelled,
    // and then also the dialog's error code when it failed.
    virtual app::OpenChoice openFiles(HWND owner, const app::FileDialogRequest& request) = 0;
    // The confirmed path; nothing when cancelled.
    virtual std::optional<std::string> saveFile(HWND owner,
                                                const app::FileDialogRequest& request) = 0;
    // Runs dialog template `resourceId` modally.
    virtual void infoDialog(HWND owner, int resourceId) = 0;
    // The merge settings dialog showing `shown`, over `owner`: the values at
    // 确定, nothing for 取消. 确定 with values `check` finds wrong shows its
    // message (through `message`) and keeps the dialog open.
    virtual std::optional<app::SettingTexts>
    mergeSettings(HWND owner, const app::SettingTexts& shown, const app::SettingsCheck& check) = 0;
    // Opens a folder or a web address with the shell's "open" verb.
    virtual void shellOpen(const std::wstring& target) = 0;
};

// The message box type for an icon and a set of buttons.
UINT messageBoxType(app::Icon icon, app::Buttons buttons);

// The filter list the common dialogs take: each label, NUL, its patterns
// joined by ";", NUL; one more NUL at the end.
std::wstring filterText(const std::vector<app::FileFilter>& filters);

// The paths an open dialog returned in `buffer`: one full path, or (several
// files) the folder, NUL, and each name followed by NUL up to an empty name.
// `nameOffset` is where the first name begins.
std::vector<std::wstring> selectedPaths(const wchar_t* buffer, std::size_t nameOffset);

// The shared procedure of the three information dialogs: OK and Cancel end
// them with their id.
INT_PTR CALLBACK infoDialogProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// The real dialogs.
class SystemDialogs : public Dialogs {
  public:
    // `selectionChars`: the room, in UTF-16 units, for what a multiple
    // selection returns; a selection longer than that fails the dialog.
    explicit SystemDialogs(HINSTANCE instance, std::size_t selectionChars = kSelectionChars)
        : instance_(instance), selectionChars_(selectionChars) {}

    int message(HWND owner, const std::wstring& text, const std::wstring& caption,
                UINT type) override;
    app::OpenChoice openFiles(HWND owner, const app::FileDialogRequest& request) override;
    std::optional<std::string> saveFile(HWND owner, const app::FileDialogRequest& request) override;
    void infoDialog(HWND owner, int resourceId) override;
    std::optional<app::SettingTexts> mergeSettings(HWND owner, const app::SettingTexts& shown,
                                                   const app::SettingsCheck& check) override;
    void shellOpen(const std::wstring& target) override;

    // Room for the many names a multiple selection can return.
    static constexpr std::size_t kSelectionChars = std::size_t{1} << 20;

  private:
    HINSTANCE instance_;
    std::size_t selectionChars_;
};

} // namespace zd::win32

// The one way the commands speak to the user: the window implements this
// port, tests script a fake of it. All text is UTF-8.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace zd::app {

enum class Icon { Information, Warning, Error };
enum class Buttons { Ok, YesNo };
enum class Answer { Ok, Yes, No };

struct FileFilter {
    std::string label;                 // "BIN 文件（*.bin）"
    std::vector<std::string> patterns; // {"*.bin"}
};

struct FileDialogRequest {
    std::string title;
    std::vector<FileFilter> filters; // the first one is selected
    bool multiple = false;           // open dialogs only: several files may be chosen
    // The full path the dialog proposes: it opens in its folder with its
    // name typed in. Empty: an empty name field.
    std::string proposed{};
    // Save dialogs only: the dialog asks before it returns the name of an
    // existing file. Off where the command checks the name first and asks
    // itself.
    bool confirmOverwrite = true;
};

// What an open dialog gave: the chosen files' full paths, none when it was
// cancelled or failed. `failure` is the dialog's own error code when it
// failed (a selection too long for its buffer, for one), 0 otherwise.
struct OpenChoice {
    std::vector<std::string> paths;
    std::uint32_t failure = 0;
};

// The three displays of the layout state, by control id.
enum class Display { FileCount = 401, FrontOffset = 402, Capacity = 403 };

// The three information dialogs, by resource id.
enum class InfoDialog { About = 103, Usage = 129, RevisionHistory = 134 };

// Settings as text, by key, as the windows store and show them.
using SettingTexts = std::map<std::string, std::string>;
// What is wrong with the values a settings dialog holds, in a message for
// the user; nothing when they can be kept.
using SettingsCheck = std::function<std::optional<std::string>(const SettingTexts&)>;

class Port {
  public:
    virtual ~Port() = default;

    // A modal message box; returns the button pressed (Ok for an OK box).
    virtual Answer showMessage(const std::string& text, const std::string& caption, Icon icon,
                               Buttons buttons) = 0;

    // The open-file dialog. Only existing files can be chosen; the name
    // field holds the request's proposed name, if any.
    virtual OpenChoice chooseFilesToOpen(const FileDialogRequest& request) = 0;
    // The save dialog: the confirmed full path, nothing when cancelled. It
    // asks before it returns the name of an existing file, unless the
    // request says not to.
    virtual std::optional<std::string> chooseFileToSave(const FileDialogRequest& request) = 0;

    virtual std::string displayText(Display display) = 0;
    virtual void setDisplayText(Display display, const std::string& text) = 0;

    // The state of the file-info check box (404), which toggles itself.
    virtual bool isFileInfoChecked() = 0;

    // The list's selected rows, ascending.
    virtual std::vector<int> selectedRows() = 0;
    virtual void setRowSelected(int row, bool selected) = 0;

    // Buttons by command id (203, 204, 210).
    virtual bool isButtonEnabled(int commandId) = 0;
    virtual void setButtonEnabled(int commandId, bool enabled) = 0;
    // Has the whole window redrawn.
    virtual void redraw() = 0;

    // The web link: repaint its rectangle (the colour follows `linkHot`), and
    // show the hand cursor while the pointer is over it.
    virtual void repaintLink() = 0;
    virtual void showHandCursor() = 0;

    virtual void openFolder(const std::string& path) = 0;
    virtual void openUrl(const std::string& url) = 0;
    virtual void runDialog(InfoDialog dialog) = 0;

    // The merge settings dialog (settings_dialog.h) showing `shown`: the
    // values as they stand when 确定 is pressed and `check` finds nothing
    // wrong; nothing for 取消. While `check` finds something wrong, 确定
    // shows its message as an error and the dialog stays open.
    virtual std::optional<SettingTexts> editMergeSettings(const SettingTexts& shown,
                                                          const SettingsCheck& check) = 0;
    // The settings this user keeps under `group`: only the keys there are.
    virtual SettingTexts loadSettings(const std::string& group) = 0;
    // Keeps `values` under `group` for this user, in place of what was
    // there; false when they could not be kept.
    virtual bool storeSettings(const std::string& group, const SettingTexts& values) = 0;
    // Ends the program at once.
    virtual void quit() = 0;

    // Bytes of the image written so far of `total`; return false to stop the
    // merge. Called often; the window decides when to show anything.
    virtual bool reportProgress(std::uint64_t done, std::uint64_t total) = 0;
    // The merge is over, whatever its outcome.
    virtual void endProgress() = 0;
};

} // namespace zd::app

// The program's commands, as plain handlers over the program state. They
// reach the user only through the Port; the window forwards its events here.
#pragma once

#include "app/merge_settings.h"
#include "app/port.h"
#include "core/model/entry_list.h"

#include <string>
#include <vector>

namespace zd::app {

// Command ids: the buttons, the check box and the menu items.
namespace cmd {
inline constexpr int Delete = 201;
inline constexpr int Clear = 202;
inline constexpr int AddFiles = 203;
inline constexpr int MergeSave = 204;
inline constexpr int MoveUp = 205;
inline constexpr int MoveDown = 206;
inline constexpr int StepUp = 207;
inline constexpr int StepDown = 208;
inline constexpr int ViewResult = 209;
inline constexpr int ImportList = 210;
inline constexpr int FileInfo = 404;
inline constexpr int ApplyOffset = 601;
inline constexpr int FolderImport = 32785;
inline constexpr int About = 104;
inline constexpr int Exit = 105;
inline constexpr int Usage = 32783;
inline constexpr int RevisionHistory = 32796;
inline constexpr int LatestVersion = 32797;
// The tools menu, clear of the ids above.
inline constexpr int ExportHeader = 32810;
inline constexpr int VerifyImage = 32811;
inline constexpr int ImageInfo = 32812;
inline constexpr int MergeSettings = 32813;
} // namespace cmd

// Where a command comes from: a click (button or menu item), a keyboard
// shortcut, or any other notification of a control (typing into an edit).
inline constexpr int kNotifyClick = 0;
inline constexpr int kNotifyShortcut = 1;

// The web link's fixed hit rectangle in pixels of the window's client area;
// all four sides count as inside.
struct LinkRect {
    int left = 562;
    int top = 445;
    int right = 772;
    int bottom = 465;
    bool contains(int x, int y) const { return left <= x && x <= right && top <= y && y <= bottom; }
};
inline constexpr LinkRect kLinkRect{};

// Where the link text is painted.
inline constexpr int kLinkX = 562;
inline constexpr int kLinkY = 445;
inline constexpr const char* kLatestVersionPath = "/html/2023/software_1106/35.html";

struct ProgramState {
    EntryList list;           // the rows and their layout
    bool fileInfo = false;    // the file-info option, as check box 404 last showed it
    std::string outputFolder; // the folder of the last confirmed save dialog
    std::string lastImage;    // the image of the last merge that succeeded
    bool linkHot = false;     // the pointer was last seen over the web link
    MergeSettings settings;   // what merge-save applies beyond the rows and front offset
};

class Commands {
  public:
    Commands(Port& port, std::string publisherHost);

    // Routes a command: a click or shortcut of a control command (201..210,
    // 404, 601, 32785) runs only for notification code 0; the menu commands
    // (104, 105, 32783, 32796, 32797, 32810..32813) run for any code. Returns whether a
    // command ran.
    bool onCommand(int id, int notificationCode);

    // The pointer moved over, or the left button was pressed on, the window's
    // client area at (x, y).
    void onMouseMove(int x, int y);
    void onLeftButtonDown(int x, int y);

    // Takes the merge settings this user keeps; a malformed one is told
    // once, and its default used. The window calls it once it is up.
    void loadMergeSettings();

    // Files and folders dropped on the list: files are added as Add files
    // adds them, folders as folder import adds them; one count message.
    void onDrop(const std::vector<std::string>& paths);
    // Files and folders named when the program starts ("open with"): made
    // absolute against the working folder, then added as a drop adds them.
    void openWith(const std::vector<std::string>& paths);

    // "http://" followed by the publisher's host: the text the link shows.
    std::string linkText() const;

    ProgramState& state() { return state_; }
    const ProgramState& state() const { return state_; }
    EntryList& list() { return state_.list; }

  private:
    Port& port_;
    std::string publisherHost_;
    ProgramState state_;
};

} // namespace zd::app

// The command handlers behind Commands, one group per source file. Each
// works on the program state and reaches the user only through the port.
#pragma once

#include "app/commands.h"
#include "app/port.h"
#include "core/files/progress.h"
#include "core/merge/merge_request.h"

#include <string>
#include <vector>

namespace zd::app {

struct Context {
    Port& port;
    ProgramState& state;
};

// list_editing.cpp
void deleteRow(Context c);
void clearList(Context c);
void moveUp(Context c);
void moveDown(Context c);
void stepOffsetUp(Context c);
void stepOffsetDown(Context c);
void applyTypedOffset(Context c);
void fileInfoToggled(Context c);

// file_commands.cpp
void addFiles(Context c);
void importFolder(Context c);
void importListFile(Context c);
void addDropped(Context c, const std::vector<std::string>& paths);

// merge_commands.cpp
void mergeSave(Context c);
void viewResult(Context c);

// header_export.cpp and image_checks.cpp: the tools menu.
void exportHeader(Context c);
void verifyImageFile(Context c);
void showImageTable(Context c);

// settings_commands.cpp
void loadMergeSettings(Context c);
void editMergeSettings(Context c);

// A merge request for the rows and front offset on screen, and nothing
// else yet: no output, no table, no setting.
MergeRequest listRequest(const ProgramState& state);

// Shows rowCount and imageCapacity in their displays.
void showTotals(Context c);

// Disables a button while a command runs; restores its earlier state and
// has the window redrawn however the command ends.
class ButtonLock {
  public:
    ButtonLock(Port& port, int commandId);
    ~ButtonLock();
    ButtonLock(const ButtonLock&) = delete;
    ButtonLock& operator=(const ButtonLock&) = delete;

  private:
    Port& port_;
    int commandId_;
    bool wasEnabled_;
};

// What long work is given to tell the window's progress display how far
// it is, and to learn whether the user asked it to stop.
inline files::KeepGoing keepGoingWith(Port& port) {
    return [&port](std::uint64_t done, std::uint64_t total) {
        return port.reportProgress(done, total);
    };
}

// The window's progress display closes however the work under it ends.
class ProgressScope {
  public:
    explicit ProgressScope(Port& port) : port_(port) {}
    ~ProgressScope() { port_.endProgress(); }
    ProgressScope(const ProgressScope&) = delete;
    ProgressScope& operator=(const ProgressScope&) = delete;

  private:
    Port& port_;
};

} // namespace zd::app

// Another program run by this one (flashrom, to program a chip): found in
// the folders programs live in, started with its arguments as they are (no
// shell between), its output read as it comes, stopped when asked. The one
// place the project starts a program; a POSIX side (posix_spawn) and a
// Win32 side (CreateProcessW).
#pragma once

#include "core/files/file_layer.h"

#include <string>
#include <system_error>
#include <vector>

namespace zd::files {

// The folders a program is looked for in: the PATH's, in order, then on
// POSIX the system folders that a user's PATH often lacks but where Debian
// installs programs that drive hardware (/usr/local/sbin, /usr/sbin,
// /sbin).
std::vector<std::string> programFolders();

// The first regular file called `name` (Win32: `name` + ".exe") that this
// process may run, in `folders` in order; empty when there is none.
std::string findProgram(const std::string& name, const std::vector<std::string>& folders);

// Whether `path` is a regular file this process may run.
bool canRun(const std::string& path);

class ChildProcess {
  public:
    ChildProcess() = default;
    ~ChildProcess(); // a program still running is stopped and waited for
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Starts the program at `path` (not looked up) with `args`. Its
    // standard input reads nothing; its standard output and error both go
    // to the one pipe that `read` takes from, in the order it writes them.
    std::error_code start(const std::string& path, const std::vector<std::string>& args);
    // Appends to `text` what the program has printed, waiting at most
    // `waitMs` milliseconds for something; `ended` once its output is closed
    // (it has ended, or is ending). A signal that comes meanwhile ends the
    // wait early with nothing read, so that a stop is seen at once.
    std::error_code read(std::string& text, int waitMs, bool& ended);
    // Ends the program: POSIX SIGTERM (SIGKILL if it is still there two
    // seconds later, when waited for), Win32 TerminateProcess.
    void stop();
    // Waits until the program has ended; its exit status, or 128 + N when
    // signal N ended it (POSIX). -1 when there is no program.
    int wait();

  private:
    NativeHandle process_ = kNoHandle; // POSIX: the process id; Win32: its handle
    NativeHandle output_ = kNoHandle;  // the pipe's reading end
    bool stopped_ = false;
    void closeOutput();
};

} // namespace zd::files

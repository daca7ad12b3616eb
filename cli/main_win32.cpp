// zadodaziderav-cli on Windows: wide arguments taken as UTF-8, UTF-8 text
// to a console as UTF-16 and to a file or pipe as it is, and Ctrl+C, Ctrl+Break
// or closing the console stop a merge cleanly.
#include "cli/cli.h"
#include "core/files/utf16_text.h"

#include <atomic>
#include <iostream>
#include <sstream>
#include <windows.h>

namespace {

std::atomic<bool> stopRequested{false};
// The status a stopped run ends with, as on Linux for the matching signal:
// Ctrl+C 130 (SIGINT), Ctrl+Break 143 (SIGTERM), the console closed 129
// (SIGHUP).
std::atomic<int> stopStatus{0};
HANDLE runFinished = nullptr;

// Whether a console could have sent a key press: Wine also delivers Ctrl+C
// to a process that no console is attached to (one run with its standard
// handles redirected, as scripts and tests do), where nobody pressed it.
bool attachedToConsole() {
    DWORD process = 0;
    return ::GetConsoleProcessList(&process, 1) != 0;
}

// Closing the console ends the process as soon as this returns: wait a
// little for the merge to remove what it started. The status is stored
// before the stop, so a run that sees the stop always ends with it.
BOOL WINAPI onConsoleEvent(DWORD event) {
    const bool keyPress = event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT;
    if (keyPress && !attachedToConsole()) {
        return TRUE; // handled: no stop, and not the default end of the process
    }
    stopStatus = event == CTRL_C_EVENT ? 130 : event == CTRL_BREAK_EVENT ? 143 : 129;
    stopRequested = true;
    if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT) {
        ::WaitForSingleObject(runFinished, 4000);
    }
    return TRUE;
}

// Keeps the tool's UTF-8 output and writes it to a standard handle when
// flushed or gone: as UTF-16 to a console, whose code page may be anything,
// and byte for byte elsewhere, so that a redirected file holds the same text
// as on Linux.
class StdHandleBuffer final : public std::stringbuf {
  public:
    explicit StdHandleBuffer(DWORD which) : handle_(::GetStdHandle(which)) {
        DWORD mode = 0;
        console_ = ::GetConsoleMode(handle_, &mode) != 0;
    }
    ~StdHandleBuffer() override { sync(); }

  protected:
    int sync() override {
        const std::string text = std::move(*this).str(); // and empties the buffer
        DWORD written = 0;
        BOOL ok = TRUE;
        if (console_) {
            const std::wstring wide = zd::files::toWideLenient(text);
            ok = ::WriteConsoleW(handle_, wide.data(), static_cast<DWORD>(wide.size()), &written,
                                 nullptr);
        } else if (!text.empty()) {
            ok = ::WriteFile(handle_, text.data(), static_cast<DWORD>(text.size()), &written,
                             nullptr);
        }
        return ok ? 0 : -1; // a failed write fails the stream, and so the run
    }

  private:
    HANDLE handle_;
    bool console_ = false;
};

} // namespace

int wmain(int argc, wchar_t** argv) {
    runFinished = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ::SetConsoleCtrlHandler(onConsoleEvent, TRUE);

    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) {
        args.push_back(zd::files::toUtf8(argv[i]));
    }
    int status = 0;
    {
        StdHandleBuffer outBuffer(STD_OUTPUT_HANDLE);
        StdHandleBuffer errBuffer(STD_ERROR_HANDLE);
        std::ostream out(&outBuffer);
        std::ostream err(&errBuffer);
        status = zd::cli::run(args, out, err, &stopRequested);
    } // the buffers write what they hold as they go
    ::SetEvent(runFinished);
    return stopStatus != 0 && status != zd::cli::kSuccess ? stopStatus.load() : status;
}

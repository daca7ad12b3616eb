// zadodaziderav-cli on Windows: wide arguments taken as UTF-8, UTF-8 text
// to a console as UTF-16 and to a file or pipe as it is, and Ctrl+C, Ctrl+Break
// or closing the console stop a merge cleanly.
#include "cli.h"
#include "utf16_text.h"

#include <atomic>
#include <iostream>
#include <streambuf>
#include <windows.h>

namespace {

std::atomic<bool> stopRequested{false};
HANDLE runFinished = nullptr;

// Closing the console ends the process as soon as this returns: wait a
// little for the merge to remove what it started.
BOOL WINAPI onConsoleEvent(DWORD event) {
    stopRequested = true;
    if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT) {
        ::WaitForSingleObject(runFinished, 4000);
    }
    return TRUE;
}

// Writes the tool's UTF-8 output to a standard handle: as UTF-16 to a
// console, whose code page may be anything, and byte for byte elsewhere, so
// that a redirected file holds the same text as on Linux.
class StdHandleBuffer final : public std::streambuf {
  public:
    explicit StdHandleBuffer(DWORD which) : handle_(::GetStdHandle(which)) {
        DWORD mode = 0;
        console_ = ::GetConsoleMode(handle_, &mode) != 0;
    }
    ~StdHandleBuffer() override { flush(); }

  protected:
    int_type overflow(int_type c) override {
        if (c != traits_type::eof()) {
            pending_ += traits_type::to_char_type(c);
            if (c == '\n') {
                flush();
            }
        }
        return traits_type::not_eof(c);
    }
    std::streamsize xsputn(const char* text, std::streamsize count) override {
        pending_.append(text, static_cast<std::size_t>(count));
        if (pending_.find('\n') != std::string::npos) {
            flush();
        }
        return count;
    }
    int sync() override {
        flush();
        return 0;
    }

  private:
    void flush() {
        if (pending_.empty() || handle_ == nullptr || handle_ == INVALID_HANDLE_VALUE) {
            pending_.clear();
            return;
        }
        DWORD written = 0;
        if (console_) {
            const std::wstring wide = zd::win::toWideLenient(pending_);
            ::WriteConsoleW(handle_, wide.data(), static_cast<DWORD>(wide.size()), &written,
                            nullptr);
        } else {
            ::WriteFile(handle_, pending_.data(), static_cast<DWORD>(pending_.size()), &written,
                        nullptr);
        }
        pending_.clear();
    }

    HANDLE handle_;
    bool console_ = false;
    std::string pending_;
};

} // namespace

int wmain(int argc, wchar_t** argv) {
    runFinished = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ::SetConsoleCtrlHandler(onConsoleEvent, TRUE);

    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) {
        args.push_back(zd::win::toUtf8(argv[i]));
    }
    StdHandleBuffer outBuffer(STD_OUTPUT_HANDLE);
    StdHandleBuffer errBuffer(STD_ERROR_HANDLE);
    std::ostream out(&outBuffer);
    std::ostream err(&errBuffer);
    const int status = zd::cli::run(args, out, err, &stopRequested);
    out.flush();
    err.flush();
    ::SetEvent(runFinished);
    return status;
}

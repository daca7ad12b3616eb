// The progress of long work (a merge, a check, an export): nothing for a short one, a small window
// with a bar and a Cancel button once it has run for about half a second.
// The main window is disabled meanwhile, as under a modal dialog, and keeps
// being painted. When to show what is the throttle's; this draws it.
#pragma once

#include "app/progress_throttle.h"

#include <cstdint>
#include <windows.h>

namespace zd::win32 {

class ProgressWindow {
  public:
    explicit ProgressWindow(HWND owner, app::ProgressThrottle::Clock clock = {})
        : owner_(owner), throttle_(std::move(clock)) {}
    void setOwner(HWND owner) { owner_ = owner; }
    ~ProgressWindow() { end(); }
    ProgressWindow(const ProgressWindow&) = delete;
    ProgressWindow& operator=(const ProgressWindow&) = delete;

    // Returns false once the user has cancelled.
    bool report(std::uint64_t done, std::uint64_t total);
    void end();

    // The progress window while it is shown, else null.
    HWND window() const { return window_; }
    // For tests: a clock of their own, given before the first report.
    void setClock(app::ProgressThrottle::Clock clock) {
        throttle_ = app::ProgressThrottle(std::move(clock));
    }

  private:
    void show(int step);
    void createWindow();
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    HWND owner_;
    app::ProgressThrottle throttle_;
    HWND window_ = nullptr;
    HWND bar_ = nullptr;
};

} // namespace zd::win32

// The progress of a long merge: nothing for a short one, a small window
// with a bar and a Cancel button once it has run for about half a second.
// The main window is disabled meanwhile, as under a modal dialog, and keeps
// being painted.
#pragma once

#include <cstdint>
#include <windows.h>

namespace zd::win32 {

class MergeProgress {
  public:
    explicit MergeProgress(HWND owner) : owner_(owner) {}
    void setOwner(HWND owner) { owner_ = owner; }
    ~MergeProgress() { end(); }
    MergeProgress(const MergeProgress&) = delete;
    MergeProgress& operator=(const MergeProgress&) = delete;

    // Returns false once the user has cancelled.
    bool report(std::uint64_t done, std::uint64_t total);
    void end();

    // The progress window while it is shown, else null.
    HWND window() const { return window_; }
    // Milliseconds from some fixed point; tests give their own clock.
    using Clock = ULONGLONG (*)();
    void setClock(Clock clock) { clock_ = clock; }

    static constexpr DWORD kShowAfterMs = 500;
    static constexpr DWORD kUpdateEveryMs = 50;
    static constexpr int kSteps = 1000;

  private:
    void show();
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    HWND owner_;
    Clock clock_ = ::GetTickCount64;
    HWND window_ = nullptr;
    HWND bar_ = nullptr;
    bool running_ = false;
    bool cancelled_ = false;
    ULONGLONG started_ = 0;
    ULONGLONG lastUpdate_ = 0;
};

} // namespace zd::win32

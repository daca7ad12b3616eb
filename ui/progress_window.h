// The progress of long work (a merge, a check, an export): nothing for a short one, a dialog with a
// Cancel button once it has run for about half a second. When to show what
// is the throttle's; this draws it.
#pragma once

#include "app/progress_throttle.h"

#include <QPointer>
#include <QProgressDialog>
#include <cstdint>

namespace zd::ui {

class ProgressWindow {
  public:
    explicit ProgressWindow(QWidget* owner, app::ProgressThrottle::Clock clock = {})
        : owner_(owner), throttle_(std::move(clock)) {}
    ~ProgressWindow();
    ProgressWindow(const ProgressWindow&) = delete;
    ProgressWindow& operator=(const ProgressWindow&) = delete;

    // Returns false once the user has cancelled.
    bool report(std::uint64_t done, std::uint64_t total);
    void end();

  private:
    void show(int step);

    QWidget* owner_;
    app::ProgressThrottle throttle_;
    QPointer<QProgressDialog> dialog_;
};

} // namespace zd::ui

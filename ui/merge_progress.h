// The progress of a long merge: nothing for a short one, a dialog with a
// Cancel button once it has run for about half a second. When to show what
// is the throttle's; this draws it.
#pragma once

#include "app/progress_throttle.h"

#include <QPointer>
#include <QProgressDialog>
#include <cstdint>

namespace zd::ui {

class MergeProgress {
  public:
    explicit MergeProgress(QWidget* owner, app::ProgressThrottle::Clock clock = {})
        : owner_(owner), throttle_(std::move(clock)) {}
    ~MergeProgress();
    MergeProgress(const MergeProgress&) = delete;
    MergeProgress& operator=(const MergeProgress&) = delete;

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

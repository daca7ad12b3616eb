// The progress of a long merge: nothing for a short one, a dialog with a
// Cancel button once it has run for about half a second.
#pragma once

#include <QElapsedTimer>
#include <QPointer>
#include <QProgressDialog>
#include <cstdint>

namespace zd::ui {

class MergeProgress {
  public:
    explicit MergeProgress(QWidget* owner) : owner_(owner) {}
    ~MergeProgress();
    MergeProgress(const MergeProgress&) = delete;
    MergeProgress& operator=(const MergeProgress&) = delete;

    // Returns false once the user has cancelled.
    bool report(std::uint64_t done, std::uint64_t total);
    void end();

  private:
    static constexpr int kShowAfterMs = 500;
    static constexpr int kUpdateEveryMs = 50;
    static constexpr int kSteps = 1000;

    QWidget* owner_;
    QElapsedTimer running_; // since the first report of this merge
    QElapsedTimer lastUpdate_;
    QPointer<QProgressDialog> dialog_;
    bool cancelled_ = false;
};

} // namespace zd::ui

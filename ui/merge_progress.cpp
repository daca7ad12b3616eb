#include "ui/merge_progress.h"

#include <QCoreApplication>
#include <algorithm>

namespace zd::ui {

MergeProgress::~MergeProgress() {
    end();
}

bool MergeProgress::report(std::uint64_t done, std::uint64_t total) {
    if (!running_.isValid()) {
        running_.start();
        lastUpdate_.start();
        cancelled_ = false;
    }
    if (cancelled_) {
        return false;
    }
    if (running_.elapsed() < kShowAfterMs || lastUpdate_.elapsed() < kUpdateEveryMs) {
        return true;
    }
    lastUpdate_.restart();
    if (dialog_.isNull()) {
        dialog_ = new QProgressDialog(QStringLiteral("正在合并保存……"), QStringLiteral("取消"), 0,
                                      kSteps, owner_);
        dialog_->setWindowTitle(QStringLiteral("提示"));
        dialog_->setWindowModality(Qt::WindowModal);
        dialog_->setMinimumDuration(0); // so it shows itself at its first value
        dialog_->setAutoClose(false);
        dialog_->setAutoReset(false);
    }
    const auto step = total == 0 ? kSteps : static_cast<int>(done * kSteps / total);
    dialog_->setValue(std::min(step, kSteps));
    // Keep the window painted and let the Cancel button be pressed.
    QCoreApplication::processEvents();
    cancelled_ = dialog_ && dialog_->wasCanceled();
    return !cancelled_;
}

void MergeProgress::end() {
    running_.invalidate();
    cancelled_ = false;
    if (!dialog_.isNull()) {
        delete dialog_.data();
    }
}

} // namespace zd::ui

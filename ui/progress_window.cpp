#include "ui/progress_window.h"

#include <QCoreApplication>

namespace zd::ui {

ProgressWindow::~ProgressWindow() {
    end();
}

bool ProgressWindow::report(std::uint64_t done, std::uint64_t total) {
    if (const std::optional<int> step = throttle_.report(done, total)) {
        show(*step);
    }
    return !throttle_.cancelled();
}

void ProgressWindow::show(int step) {
    if (dialog_.isNull()) {
        dialog_ = new QProgressDialog(QStringLiteral("正在合并保存……"), QStringLiteral("取消"), 0,
                                      app::ProgressThrottle::kSteps, owner_);
        dialog_->setWindowTitle(QStringLiteral("提示"));
        dialog_->setWindowModality(Qt::WindowModal);
        dialog_->setMinimumDuration(0); // so it shows itself at its first value
        dialog_->setAutoClose(false);
        dialog_->setAutoReset(false);
    }
    dialog_->setValue(step);
    // Keep the window painted and let the Cancel button be pressed.
    QCoreApplication::processEvents();
    if (dialog_ && dialog_->wasCanceled()) {
        throttle_.cancel();
    }
}

void ProgressWindow::end() {
    throttle_.end();
    if (!dialog_.isNull()) {
        delete dialog_.data();
    }
}

} // namespace zd::ui

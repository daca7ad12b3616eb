#include "app/progress_throttle.h"

#include <algorithm>

namespace zd::app {

std::chrono::milliseconds ProgressThrottle::steadyClock() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now().time_since_epoch());
}

std::optional<int> ProgressThrottle::report(std::uint64_t done, std::uint64_t total) {
    const std::chrono::milliseconds now = clock_();
    if (!running_) {
        running_ = true;
        cancelled_ = false;
        started_ = now;
        lastUpdate_ = now;
    }
    if (cancelled_ || now - started_ < kShowAfter || now - lastUpdate_ < kUpdateEvery) {
        return std::nullopt;
    }
    lastUpdate_ = now;
    const std::uint64_t step = total == 0 ? kSteps : done * kSteps / total;
    return static_cast<int>(std::min<std::uint64_t>(step, kSteps));
}

void ProgressThrottle::end() {
    running_ = false;
    cancelled_ = false;
}

} // namespace zd::app

// When a window shows the progress of a long merge: nothing for a short one;
// from half a second on, at most one update every 50 ms, the bar counting
// thousandths. Once the user cancels, the merge stays stopped until it ends.
// The windows keep only their drawing.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>

namespace zd::app {

class ProgressThrottle {
  public:
    // Time from some fixed point: the steady clock's unless a test gives one.
    using Clock = std::function<std::chrono::milliseconds()>;
    static constexpr std::chrono::milliseconds kShowAfter{500};
    static constexpr std::chrono::milliseconds kUpdateEvery{50};
    static constexpr int kSteps = 1000;

    explicit ProgressThrottle(Clock clock = {})
        : clock_(clock ? std::move(clock) : Clock(steadyClock)) {}

    // A report of `done` bytes of `total`: the bar's position (0 to kSteps)
    // when the window is due to show it, else nothing. The first report
    // after end() starts a new merge.
    std::optional<int> report(std::uint64_t done, std::uint64_t total);
    // The user asked to stop: every report stops the merge until it ends.
    void cancel() { cancelled_ = true; }
    bool cancelled() const { return cancelled_; }
    // The merge is over, whatever its outcome.
    void end();

  private:
    static std::chrono::milliseconds steadyClock();

    Clock clock_;
    bool running_ = false;
    bool cancelled_ = false;
    std::chrono::milliseconds started_{};
    std::chrono::milliseconds lastUpdate_{};
};

} // namespace zd::app

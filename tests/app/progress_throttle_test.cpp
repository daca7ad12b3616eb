#include "app/progress_throttle.h"

#include <gtest/gtest.h>
#include <tuple>

namespace zd::app {
namespace {

// Nothing for the first half second, then at most one update every 50 ms, in
// thousandths (all of it for an empty image); a cancel stops every report
// until the merge ends, and the next merge waits its half second afresh.
TEST(ProgressThrottle, ShowsLateAndSeldomAndKeepsACancel) {
    std::chrono::milliseconds now{1000};
    ProgressThrottle throttle([&now] { return now; });
    // Each report: when, what is done of what, the bar's position (-1: none).
    const std::tuple<int, std::uint64_t, std::uint64_t, int> reports[] = {
        {1000, 0, 100, -1},
        {1499, 40, 100, -1},
        {1500, 50, 100, 500},
        {1549, 60, 100, -1},
        {1550, 70, 100, 700},
        {1600, 0, 0, 1000},
        {1650, 3u << 30, 4294967295u, 750}, // no overflow near 4 GiB
    };
    for (const auto& [at, done, total, position] : reports) {
        now = std::chrono::milliseconds(at);
        EXPECT_EQ(throttle.report(done, total).value_or(-1), position) << at;
        EXPECT_FALSE(throttle.cancelled());
    }
    throttle.cancel();
    now += std::chrono::seconds(1);
    EXPECT_EQ(throttle.report(80, 100), std::nullopt);
    EXPECT_TRUE(throttle.cancelled());
    throttle.end();
    EXPECT_FALSE(throttle.cancelled());
    for (const int wait : {0, 499, 1}) {
        now += std::chrono::milliseconds(wait);
        EXPECT_EQ(throttle.report(10, 100).value_or(-1), wait == 1 ? 100 : -1);
    }
}

} // namespace
} // namespace zd::app

#include "app/progress_throttle.h"

#include <gtest/gtest.h>

namespace zd::app {
namespace {

// Nothing for the first half second, then at most one update every 50 ms, in
// thousandths; a cancel stops every report until the merge ends, and the
// next merge waits its half second afresh.
TEST(ProgressThrottle, ShowsLateAndSeldomAndKeepsACancel) {
    std::chrono::milliseconds now{};
    ProgressThrottle throttle([&now] { return now; });
    // The bar's position after a report at `ms` of `done` of `total`; -1: none.
    const auto at = [&](int ms, std::uint64_t done, std::uint64_t total) {
        now = std::chrono::milliseconds(ms);
        return throttle.report(done, total).value_or(-1);
    };
    EXPECT_EQ(at(1000, 0, 100), -1); // the first report starts the clock
    EXPECT_EQ(at(1499, 40, 100), -1);
    EXPECT_EQ(at(1500, 50, 100), 500);
    EXPECT_EQ(at(1549, 60, 100), -1);
    EXPECT_EQ(at(1550, 70, 100), 700);
    EXPECT_EQ(at(1600, 0, 0), 1000);                 // an empty image is all done
    EXPECT_EQ(at(1650, 3u << 30, 4294967295u), 750); // no overflow near 4 GiB
    EXPECT_FALSE(throttle.cancelled());
    throttle.cancel();
    EXPECT_EQ(at(2000, 80, 100), -1);
    EXPECT_TRUE(throttle.cancelled());
    throttle.end();
    EXPECT_FALSE(throttle.cancelled());
    EXPECT_EQ(at(3000, 10, 100), -1);
    EXPECT_EQ(at(3499, 10, 100), -1);
    EXPECT_EQ(at(3500, 10, 100), 100);
}

} // namespace
} // namespace zd::app

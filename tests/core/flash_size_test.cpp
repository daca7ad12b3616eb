// The fit of an image to its flash.
#include "core/firmware/flash_size.h"

#include <gtest/gtest.h>

namespace zd {
namespace {

TEST(FlashSize, RefusesWhatDoesNotFitAndPadsTheRest) {
    EXPECT_TRUE(flashSizeProblem(0) && flashSizeProblem(kLargestFlash + 1));
    EXPECT_FALSE(flashSizeProblem(1) || flashSizeProblem(kLargestFlash));
    using Fit = std::tuple<bool, std::uint64_t, std::uint64_t>; // fits, over by, padding
    const auto fit = [](std::uint64_t image, std::uint64_t flash) {
        const FlashFit found = fitToFlash(image, flash);
        return Fit(found.fits, found.overBy, found.padding);
    };
    EXPECT_EQ(fit(0x100001, 0x100000), Fit(false, 1, 0));
    EXPECT_EQ(fit(0x100000, 0x100000), Fit(true, 0, 0));
    EXPECT_EQ(fit(1, 16), Fit(true, 0, 15));
}

} // namespace
} // namespace zd

// The fit of an image to its flash.
#include "core/firmware/flash_size.h"

#include <gtest/gtest.h>

namespace zd {
namespace {

TEST(FlashSize, RefusesWhatDoesNotFitAndPadsTheRest) {
    EXPECT_TRUE(flashSizeProblem(0) && flashSizeProblem(kLargestFlash + 1));
    EXPECT_FALSE(flashSizeProblem(1) || flashSizeProblem(kLargestFlash));
    const auto fit = [](std::uint64_t image, std::uint64_t flash) { // fits, over by, padding
        const FlashFit found = fitToFlash(image, flash);
        return std::tuple(found.fits, found.overBy, found.padding);
    };
    EXPECT_EQ(fit(0x100001, 0x100000), std::tuple(false, 1u, 0u));
    EXPECT_EQ(fit(0x100000, 0x100000), std::tuple(true, 0u, 0u));
    EXPECT_EQ(fit(1, 16), std::tuple(true, 0u, 15u));
}

} // namespace
} // namespace zd

// The files flashrom is handed: the regions of the changed sectors, joined
// across the narrowest gaps when there are too many to name, and images of
// the chip's size with the pieces at their place.
#include "core/flash/chip_files.h"
#include "tests/support/test_files.h"

#include <gtest/gtest.h>

namespace zd::test {
namespace {

std::string regionsText(const std::vector<FlashRegion>& regions) {
    std::string text;
    for (const FlashRegion& region : regions) {
        text += region.name + " " + std::to_string(region.offset) + "+" +
                std::to_string(region.size) + "\n";
    }
    return text;
}

TEST(ChangedRegions, JoinedAcrossTheNarrowestGapsWhenTooMany) {
    EXPECT_EQ(regionsText(flash::changedRegions(0x100000, {{0, 4096}, {12288, 100}})),
              "CHANGE1 1048576+4096\nCHANGE2 1060864+100\n");
    // One run more than can be named, with equal gaps: the first two join.
    std::vector<check::SectorRun> runs;
    for (std::uint64_t i = 0; i <= flash::kMostRegions; ++i) {
        runs.push_back({i * 8192, 4096});
    }
    std::vector<FlashRegion> regions = flash::changedRegions(0, runs);
    ASSERT_EQ(regions.size(), flash::kMostRegions);
    EXPECT_EQ(regionsText({regions[0], regions[1]}), "CHANGE1 0+12288\nCHANGE2 16384+4096\n");
    // Three more, with narrower gaps after runs 10 and 30 and a wider one
    // after run 20: the narrow two join, and the first of the others.
    runs.resize(flash::kMostRegions + 3);
    for (std::uint64_t i = 0; i < runs.size(); ++i) {
        runs[i] = {i * 8192 - (i > 10 ? 2048 : 0) - (i > 30 ? 2048 : 0) + (i > 20 ? 4096 : 0),
                   4096};
    }
    regions = flash::changedRegions(0, runs);
    ASSERT_EQ(regions.size(), flash::kMostRegions);
    EXPECT_EQ(regionsText({regions[0], regions[9], regions[10], regions[28]}),
              "CHANGE1 0+12288\nCHANGE10 81920+10240\nCHANGE11 96256+4096\n"
              "CHANGE29 247808+10240\n");
    EXPECT_EQ(regions.back().offset + regions.back().size, runs.back().begin + runs.back().length);
}

TEST(ChipFile, PiecesAtTheirPlaceAndErasedElsewhere) {
    TempDir dir;
    writeFile(dir / "a.bin", "abcdef");
    ASSERT_FALSE(flash::writeChipFile(dir / "chip.bin", 16, 4,
                                      {{dir / "a.bin", 1, 3, false}, {dir / "a.bin", 4, 2, true}})
                     .error);
    EXPECT_EQ(readFile(dir / "chip.bin"), std::string(4, '\xFF') + "bcd" + static_cast<char>(~'e') +
                                              static_cast<char>(~'f') + std::string(7, '\xFF'));
    // A piece's file that ends early or is gone is named; the chip file's
    // own failure names none.
    const auto failure = [](const flash::ChipFileResult& result) {
        return std::pair(result.error, result.unreadable);
    };
    EXPECT_EQ(failure(flash::writeChipFile(dir / "short.bin", 16, 0, {{dir / "a.bin", 4, 3}})),
              std::pair(std::make_error_code(std::errc::io_error), dir / "a.bin"));
    EXPECT_EQ(
        failure(flash::writeChipFile(dir / "gone.bin", 16, 0, {{dir / "no.bin", 0, 1}})),
        std::pair(std::make_error_code(std::errc::no_such_file_or_directory), dir / "no.bin"));
    EXPECT_EQ(failure(flash::writeChipFile(dir / "chip.bin", 16, 0, {{dir / "a.bin", 0, 1}})),
              std::pair(std::make_error_code(std::errc::file_exists), std::string()));
}

} // namespace
} // namespace zd::test

// The regions for flash tools: every file's name as the C header makes it,
// unique, never FRONT and never longer than an FMAP holds; flashrom's
// layout and the FMAP byte for byte, whatever order the rows lie in; the
// layout's picture naming every file safely.
#include "core/firmware/firmware.h"
#include "tests/core/merge_fixture.h"

namespace zd::test {
namespace {

const std::string kLong(40, 'x'); // cut to 31 in a region's name

// Rows whose names clash with FRONT, with each other once cut, and with the
// names given to earlier rows, and one without a byte.
EntryList clashingList() {
    return listOf(0x1000, {{"/res/front", 0x10},
                           {"/res/logo.bin", 0x20},
                           {"/res/" + kLong + ".a", 0x30},
                           {"/res/" + kLong + ".b", 0x40},
                           {"/res/empty.bin", 0},
                           {"/res/FRONT_2", 0x50}});
}

TEST(FlashRegions, NameEveryFileOnceAtItsPlaceInTheFlash) {
    const std::string cut = std::string(31, 'X');
    EXPECT_EQ(
        regionNames(clashingList()),
        (Names{"FRONT_2", "LOGO_BIN", cut, std::string(29, 'X') + "_2", "EMPTY_BIN", "FRONT_2_2"}));
    // The front area first, the rows with a byte, the base added to all.
    const std::vector<FlashRegion> regions = flashRegions(clashingList(), 0x100000);
    ASSERT_EQ(regions.size(), 6u);
    EXPECT_EQ(regions[0].name + " " + std::to_string(regions[0].offset) + " " +
                  std::to_string(regions[0].size),
              "FRONT 1048576 4096");
    EXPECT_EQ(regions[5].name + " " + std::to_string(regions[5].offset), "FRONT_2_2 1052832");
    EXPECT_TRUE(flashRegions(listOf(0, {{"/a", 1}}), 0).front().name == "A");
    // A cut that ends in "_" leaves it out.
    EXPECT_EQ(regionNames(listOf(0, {{"/yyyyyyyyyyyyyyyyyyyyyyyyyyyyyy_z.bin", 1}})),
              (Names{std::string(30, 'Y')}));

    // Rows out of address order (swapped, not laid out again) are written
    // in the order of their offsets, each to its last byte.
    EntryList swapped = listOf(0, {{"/a.bin", 0x100}, {"/b.bin", 0xF00}, {"/c.bin", 1}});
    swapped.swapRows(0, 2);
    EXPECT_EQ(flashromLayoutText(flashRegions(swapped, 0xFFFFE000)),
              "ffffe000:ffffe0ff A_BIN\nffffe100:ffffefff B_BIN\nfffff000:fffff000 C_BIN\n");
}

// The FMAP: its header and every area, little-endian, in offset order.
TEST(FlashRegions, FmapHoldsEveryAreaAsFlashromReadsIt) {
    EntryList swapped = listOf(0x20, {{"/a.bin", 0x100}, {"/b.bin", 0x300}});
    swapped.swapRows(0, 1); // b.bin first in the rows, at 0x120
    const std::string fmap = fmapBytes(flashRegions(swapped, 0x10000), 0x800000);
    ASSERT_EQ(fmap.size(), kFmapHeaderBytes + 3 * kFmapAreaBytes);
    const auto name = [](const std::string& text) {
        std::string field = text;
        field.resize(32, '\0');
        return field;
    };
    const std::string header = std::string("__FMAP__\x01\x01", 10) + std::string(8, '\0') +
                               le32(0x800000) + name("FLASH") + std::string("\x03\x00", 2);
    EXPECT_TRUE(fmap.substr(0, kFmapHeaderBytes) == header);
    const std::string areas = le32(0x10000) + le32(0x20) + name("FRONT") + std::string(2, '\0') +
                              le32(0x10020) + le32(0x100) + name("A_BIN") + std::string(2, '\0') +
                              le32(0x10120) + le32(0x300) + name("B_BIN") + std::string(2, '\0');
    EXPECT_TRUE(fmap.substr(kFmapHeaderBytes) == areas);
    // The size covers at least the structure, and 4 GiB is its largest value.
    EXPECT_EQ(fmapBytes({}, 1).substr(18, 4), le32(kFmapHeaderBytes));
    EXPECT_EQ(fmapBytes({}, std::uint64_t{1} << 32).substr(18, 4), le32(0xFFFFFFFF));
}

// The picture names every file in its table, escaped, and labels the blocks
// that have room; no name can break out of the text it stands in.
TEST(LayoutMap, NamesEveryFileEscapedAndShadesGapsAndFreeSpace) {
    EntryList list = listOf(0x1000, {{"/r/a<b&\"c\".bin", 0x3000},
                                     {"/r/\x1b[2J.bin", 0x10},
                                     {"/r/" + std::string(60, 'n') + ".bin", 0x4000}});
    list.setAlignment(0x1000);
    list.recomputeLayout(); // a gap of 0xFF0 bytes after the second file
    // The image goes on after the last file (its slot's reserve, padding).
    const std::string svg = layoutMapSvg(
        list, {.imageSize = 0xA000, .flashSize = 0x10000, .infoTable = true, .base = 0x100000});
    for (const char* part : {"a&lt;b&amp;&quot;c&quot;.bin, 0x00001000, 12288 bytes</text>",
                             ">a&lt;b&amp;&quot;c&quot;.bin</text>", ">\\x1B[2J.bin</text>",
                             ">nnnnnnnnnnn\xE2\x80\xA6, 0x00005000, 16384 bytes</text>",
                             "filler: gaps between files, reserve, padding", "free, 24576 bytes",
                             "file info table, 24 bytes", "front area, 4096 bytes",
                             "starts at 0x00100000 in the flash", "in a flash of 65536 bytes"}) {
        EXPECT_NE(svg.find(part), std::string::npos) << part;
    }
    EXPECT_NE(svg.find(">" + std::string(60, 'n') + ".bin</text>"), std::string::npos);
    EXPECT_EQ(svg.find('\x1b'), std::string::npos);
    EXPECT_EQ(svg.find("<b&"), std::string::npos);
    // The two characters XML cannot hold, U+FFFE and U+FFFF, are shown
    // escaped; other characters of that block are kept.
    const std::string odd = layoutMapSvg(
        listOf(0, {{"/r/\xEF\xBF\xBF\xEF\xBF\xBE\xEF\xBF\xBD.bin", 1}}), {.imageSize = 1});
    EXPECT_NE(odd.find(">\\uFFFF\\uFFFE\xEF\xBF\xBD.bin</text>"), std::string::npos) << odd;
    // Each block at its offset, a linear scale from the bar's top to the
    // flash's end: a file's in its colour, the filler's shaded, the table's,
    // the free space's.
    const auto y = [](double offset) { return kMapTop + offset * kMapBarHeight / 0x10000; };
    const std::tuple<double, double, std::string> blocks[] = {{0x5000, 0x9000, layoutMapColour(2)},
                                                              {0x4010, 0x5000, "url(#gap)"},
                                                              {0x9000, 0xA000, "url(#gap)"},
                                                              {0, 24, "#8c8c8c"},
                                                              {0xA000, 0x10000, "#ffffff"}};
    for (const auto& [begin, end, fill] : blocks) {
        char block[96];
        std::snprintf(block, sizeof block, "y=\"%.2f\" width=\"%.2f\" height=\"%.2f\" fill=\"%s\"",
                      y(begin), kMapBarWidth, y(end) - y(begin), fill.c_str());
        EXPECT_NE(svg.find(block), std::string::npos) << block;
    }
}

} // namespace
} // namespace zd::test

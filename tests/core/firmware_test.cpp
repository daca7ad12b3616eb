// The firmware settings turned into the merge's companions, each holding
// this merge (HEX and S-records made in the pass that writes the image),
// and the layouts they refuse before anything is written.
#include "core/firmware/firmware.h"
#include "core/firmware/flash_size.h"
#include "core/firmware/manifest.h"
#include "tests/core/hex_text.h"
#include "tests/core/merge_fixture.h"

namespace zd::test {
namespace {

using Firmware = MergeTest;

bool holds(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// Every companion asked for lands beside the image, in the order the
// command line lists them. The header, the manifest and the list file name
// the files relative to the list file's folder; the HEX and S-records of
// the padded image (table, filler ending inside a record, inputs, padding),
// placed across a 64 KiB boundary, are those of the finished image.
TEST_F(Firmware, SettingsBecomeTheMergesCompanions) {
    const FirmwareSettings settings{.cHeader = dir / "layout.h",
                                    .prefix = "FW_",
                                    .manifest = dir / "m.json",
                                    .flashSize = 9000,
                                    .pad = true,
                                    .ihex = dir / "img.hex",
                                    .srec = dir / "img.s37",
                                    .base = 0xFFE5,
                                    .relative = true};
    const EntryList list = listOf(20, {a, b});
    const MergeOptions options = firmwareMergeOptions(settings, list, outputs);
    Names paths;
    for (const Companion& companion : options.companions) {
        paths.push_back(companion.path);
    }
    EXPECT_EQ(paths, (Names{dir / "layout.h", dir / "m.json", dir / "img.hex", dir / "img.s37"}));
    ASSERT_TRUE(mergeImage(list, true, outputs, {}, options).ok());

    const std::string image = readFile(dir / "out.bin");
    EXPECT_TRUE(image == le32(20) + le32(1234) + le32(1254) + le32(5000) + std::string(4, '\xFF') +
                             abytes + bbytes + std::string(9000 - 6254, '\xFF'));
    EXPECT_TRUE(holds(readFile(dir / "out.h"), "\t2, \"b.bin\", 5000, 1254;\n"));
    const std::string header = readFile(dir / "layout.h");
    EXPECT_TRUE(holds(header, "#define FW_IMAGE_BYTES 0x00002328u\n") &&
                holds(header, "/* 2: b.bin */\n#define FW_B_BIN_ADDR 0x000004E6u\n"))
        << header;
    // (The manifest's checksums and sizes: verified against the image it came with.)
    const Manifest manifest = readManifest(dir / "m.json").manifest;
    ASSERT_EQ(manifest.rows.size(), 2u);
    EXPECT_EQ(manifest.rows[1].path, "b.bin");
    EXPECT_TRUE(readFile(dir / "img.hex") == hexOf(HexFormat::IntelHex, {0xFFE5, true}, image));
    EXPECT_TRUE(readFile(dir / "img.s37") == hexOf(HexFormat::SRecord, {0xFFE5, true}, image));
}

// The image must fit the flash (padding never makes it larger), and placed
// at the base its every byte, padding included, needs a 32-bit address when
// HEX or S-records are asked for.
TEST(FirmwareFit, RefusesWhatTheFlashOrTheAddressesCannotHold) {
    EXPECT_TRUE(flashSizeProblem(0) && flashSizeProblem(kLargestFlash + 1));
    EXPECT_FALSE(flashSizeProblem(1) || flashSizeProblem(kLargestFlash));
    const EntryList list = listOf(0x1000, {{"/a", 0xFFFFF}}); // ends at 0x100FFF
    const std::tuple<FirmwareSettings, FirmwareFault, std::uint64_t> cases[] = {
        {{.flashSize = 0x100FFF}, FirmwareFault::None, 0x100FFF},
        {{.flashSize = 0x100FFE}, FirmwareFault::LargerThanFlash, 0x100FFF},
        {{.flashSize = 0x100FFE, .pad = true}, FirmwareFault::LargerThanFlash, 0x100FFF},
        {{.flashSize = 0x200000, .pad = true}, FirmwareFault::None, 0x200000},
        {{.ihex = "x", .base = 0xFFEFF001}, FirmwareFault::None, 0x100FFF},
        {{.srec = "x", .base = 0xFFEFF002}, FirmwareFault::PastAddressSpace, 0x100FFF},
        {{.flashSize = 0x200000, .pad = true, .ihex = "x", .base = 0xFFE00001},
         FirmwareFault::PastAddressSpace,
         0x200000},
        {{.base = 0xFFFFFFFF}, FirmwareFault::None, 0x100FFF},
    };
    for (const auto& [settings, fault, size] : cases) {
        const FirmwareFit fit = checkFirmwareFit(settings, list);
        EXPECT_EQ(fit.fault, fault) << settings.flashSize << " " << settings.base;
        EXPECT_EQ(fit.imageSize, size) << settings.flashSize << " " << settings.base;
    }
}

} // namespace
} // namespace zd::test

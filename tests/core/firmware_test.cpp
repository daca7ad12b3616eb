// The firmware settings turned into the merge's companions, each holding
// this merge (HEX and S-records made in the pass that writes the image),
// and the layouts they refuse before anything is written; the manifest:
// what it holds, read back as written, and what the reader refuses.
#include "core/files/path_text.h"
#include "core/firmware/depfile.h"
#include "core/firmware/firmware.h"
#include "core/firmware/flash_size.h"
#include "core/firmware/manifest.h"
#include "tests/core/merge_fixture.h"

#include <nlohmann/json.hpp>

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
        const FirmwareFit fit = checkFirmwareFit(settings, list, {});
        EXPECT_EQ(fit.fault, fault) << settings.flashSize << " " << settings.base;
        EXPECT_EQ(fit.imageSize, size) << settings.flashSize << " " << settings.base;
    }
}

// The dependency file's words as Make and Ninja undo them (the command
// line's tests run both over such names); on Windows every "\" is written
// "/", so that none reads as a quote, and a drive's ":" as it is. A name
// either would read otherwise, an output's or an input's, refuses the merge
// before anything is written.
TEST(Depfile, QuotesWhatBothUndoAndRefusesWhatEitherMisreads) {
    const bool win32 = files::kWin32;
    const std::string top = win32 ? "C:\\r\\" : "/r/", odd = top + "a b#$:.bin";
    const std::string written = win32 ? "C:/r/a\\ b\\#$$:.bin" : "/r/a\\ b\\#$$\\:.bin",
                      spaced = win32 ? "C:/r/x/\\ y" : "/r/x\\\\\\ y";
    EXPECT_EQ(depfileText({top + "o.bin", "o.h"}, {odd, top + "x\\ y"}),
              (win32 ? "C:/r/o.bin" : "/r/o.bin") + std::string(" o.h: \\\n ") + written +
                  " \\\n " + spaced + "\n" + written + ":\n" + spaced + ":\n");

    const EntryList list = listOf(0, {{top + "ok.bin", 1}});
    const OutputPaths outputs = *outputPathsFor(top + "o");
    FirmwareSettings settings{.depfile = top + "o.d"};
    Names accepted{odd, "[x", "x]", "x~", "a(b).bin", "(b)", "a()", "a\\b", "\xC3\xBC"};
    Names refused{"a;b",  "it's",   "a\tb", "a|b", "100%", "a=b",
                  "w[1]", "colon:", "sp ",  "~h",  "a(b)"};
    (win32 ? accepted : refused)
        .insert((win32 ? accepted : refused).end(), {"end\\", "q\\#", "q\\:x", "q\\$"});
    settings.alsoRead = accepted;
    EXPECT_TRUE(checkFirmwareFit(settings, list, outputs).ok());
    for (const std::string& name : refused) {
        settings.alsoRead = {top + "ok.bin", name};
        const FirmwareFit fit = checkFirmwareFit(settings, list, outputs);
        EXPECT_EQ(fit.fault, FirmwareFault::DepfileCannotName) << name;
        EXPECT_EQ(fit.name, name);
        EXPECT_FALSE(fit.reason.empty());
    }
    settings = {.manifest = top + "m%.json", .depfile = top + "o.d"};
    EXPECT_EQ(checkFirmwareFit(settings, list, outputs).name, top + "m%.json");
    EXPECT_EQ(checkFirmwareFit(settings, list, *outputPathsFor(top + "%")).name, top + "%.bin");
}

const Manifest kSample{4096,
                       true,
                       std::uint64_t{1} << 32,
                       0x0000ABCD,
                       {{"D:\\res\\logo.bin", 1234, 4096, 0xCBF43926},
                        {"/res/中文.jpg", 0xFFFFEB2E, 5330, 0}}}; // ending at 4 GiB

TEST(Manifest, HoldsTheLayoutAndReadsBack) {
    const std::string text = manifestText(kSample);
    EXPECT_EQ(nlohmann::json::parse(text), nlohmann::json::parse(R"({"version": 1,
        "front_offset": 4096, "info_table": true, "image_size": 4294967296,
        "image_crc32": "0000abcd", "files": [
        {"no": 1, "path": "D:\\res\\logo.bin", "file": "logo.bin", "size": 1234, "address": 4096,
         "crc32": "cbf43926"},
        {"no": 2, "path": "/res/中文.jpg", "file": "中文.jpg", "size": 4294961966, "address": 5330,
         "crc32": "00000000"}]})"));
    // Read back, it is the same manifest: written again, the same text.
    const ManifestReadResult read = parseManifest(text);
    ASSERT_EQ(read.status, ManifestReadResult::Status::Ok) << read.reason;
    EXPECT_EQ(manifestText(read.manifest), text);
    // A name that is not UTF-8 still gives valid JSON.
    EXPECT_EQ(parseManifest(manifestText({0, false, 1, 0, {{"/res/\xFF.bin", 1, 0, 0}}})).status,
              ManifestReadResult::Status::Ok);
}

TEST(Manifest, RefusesWhatVerifyCannotUse) {
    // The sample with `key` (of its second row, with `row`) set to `value`,
    // or taken out when `value` is null.
    const auto with = [](const char* key, nlohmann::json value, bool row = false) {
        auto json = nlohmann::json::parse(manifestText(kSample));
        auto& at = row ? json["files"][1] : json;
        value.is_null() ? void(at.erase(key)) : void(at[key] = std::move(value));
        return json.dump();
    };
    const std::string bad[] = {"",
                               "[1]",
                               manifestText(kSample).substr(1),
                               with("version", 2),
                               with("version", nullptr),
                               with("front_offset", 4294967296u),
                               with("front_offset", -1),
                               with("front_offset", "4096"),
                               with("info_table", 1),
                               with("image_size", 4294967297u),
                               with("image_crc32", "abcd"),
                               with("image_crc32", "0000abcg"),
                               with("image_crc32", 43981),
                               with("files", nlohmann::json::object()),
                               with("size", 4294967296u, true),
                               with("address", nullptr, true),
                               with("address", 5331, true), // past image_size
                               with("crc32", "123456789", true),
                               with("path", 7, true)};
    for (const std::string& text : bad) {
        EXPECT_EQ(parseManifest(text).status, ManifestReadResult::Status::FormatError) << text;
    }
    EXPECT_EQ(parseManifest(with("path", nullptr, true)).status, ManifestReadResult::Status::Ok);
    EXPECT_EQ(parseManifest(with("crc32", "ABCDEF01", true)).manifest.rows[1].crc, 0xABCDEF01u);
    EXPECT_EQ(readManifest("/nonexistent/m.json").status, ManifestReadResult::Status::CannotOpen);
#ifndef _WIN32
    EXPECT_EQ(readManifest("/").error, std::errc::is_a_directory);
#endif
}

} // namespace
} // namespace zd::test

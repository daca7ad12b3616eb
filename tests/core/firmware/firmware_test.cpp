// The manifest: what it holds, read back as written, and what the reader
// refuses; how each output beside the image tells a file of its own kind,
// the only kind it replaces.
#include "core/firmware/firmware.h"
#include "core/model/list_file.h"
#include "tests/core/merge_fixture.h"

#include <functional>
#include <nlohmann/json.hpp>
#include <set>

namespace zd::test {
namespace {

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

// Each kind's test takes what this tool writes of it (HEX lines ending in
// a line feed alone too) and nothing else: not another kind, an image, a list file or text.
TEST(OutputKinds, EachTellsItsOwnFromAnyOther) {
    const EntryList list = listOf(4096, {{"/r/logo.bin", 1234}});
    const std::string image = std::string(16, '\0') + "\x12\x34";
    const std::string hex = hexOf(HexFormat::IntelHex, {0, true}, image);
    std::string lineFeeds = hex; // as written, its lines end in CR LF
    std::erase(lineFeeds, '\r');
    const std::string texts[] = {
        cHeaderText(list, {.crcs = {0}}),
        manifestText(kSample),
        hex,
        lineFeeds,
        hexOf(HexFormat::SRecord, {0, true}, image),
        depfileText({"out.bin", "out.h"}, {"/r/logo.bin"}),
        depfileText({"out.bin"}, {}),
        image,
        listFileText(list),
        "{ \"front_offset\": 1 }",
        ":not hex\n",
        "Notes: a text file\nof two lines\n",
    };
    // Which texts each kind's test takes, by their index above.
    const std::pair<std::function<bool(std::string_view)>, std::set<std::size_t>> kinds[] = {
        {isCHeaderText, {0}},
        {isManifestText, {1}},
        {[](std::string_view head) { return isHexText(HexFormat::IntelHex, head); }, {2, 3}},
        {[](std::string_view head) { return isHexText(HexFormat::SRecord, head); }, {4}},
        {isDepfileText, {5, 6}},
    };
    for (std::size_t kind = 0; kind < std::size(kinds); ++kind) {
        for (std::size_t text = 0; text < std::size(texts); ++text) {
            EXPECT_EQ(kinds[kind].first(texts[text]), kinds[kind].second.contains(text))
                << "kind " << kind << ", text " << text;
        }
    }
}

// A layout in slots records its reserve (bytes as a number, a percentage as
// text) and every row's slot end, read back the same; the reader wants the
// two together, each in its range.
TEST(Manifest, RecordsTheSlots) {
    Manifest slotted{.frontOffset = 0,
                     .infoTable = false,
                     .imageSize = 100,
                     .imageCrc = 1,
                     .rows = {{"/a", 10, 0, 2, 50}, {"/b", 10, 50, 3, 100}},
                     .slots = true,
                     .reserve = {25, true}};
    const std::string text = manifestText(slotted);
    const auto json = nlohmann::ordered_json::parse(text); // in the order written
    EXPECT_EQ(json["reserve"], "25%");
    EXPECT_EQ(json["files"][1].dump(),
              R"({"no":2,"path":"/b","file":"b","size":10,"address":50,"slot_end":100,)"
              R"("crc32":"00000003"})");
    const ManifestReadResult read = parseManifest(text);
    ASSERT_EQ(read.status, ManifestReadResult::Status::Ok) << read.reason;
    EXPECT_EQ(manifestText(read.manifest), text);
    slotted.reserve = {4096};
    EXPECT_EQ(nlohmann::json::parse(manifestText(slotted))["reserve"], 4096);
    EXPECT_EQ(parseManifest(manifestText(slotted)).manifest.reserve, Reserve{4096});

    const auto with = [&](const char* key, nlohmann::ordered_json value, bool row = false) {
        auto changed = json;
        auto& at = row ? changed["files"][1] : changed;
        value.is_null() ? void(at.erase(key)) : void(at[key] = std::move(value));
        return changed.dump();
    };
    for (const std::string& bad :
         {with("reserve", "25"), with("reserve", -1), with("reserve", 4294967296u),
          with("reserve", nullptr), with("slot_end", nullptr, true),
          with("slot_end", 4294967297u, true)}) {
        EXPECT_EQ(parseManifest(bad).status, ManifestReadResult::Status::FormatError) << bad;
    }
    // A row past its slot reads: verify reports it.
    EXPECT_EQ(parseManifest(with("slot_end", 55, true)).manifest.rows[1].slotEnd, 55u);
}

} // namespace
} // namespace zd::test

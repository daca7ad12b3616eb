// The manifest: what it holds, read back as written, and what the reader refuses.
#include "manifest.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace zd {
namespace {

Manifest sample() {
    Manifest manifest;
    manifest.frontOffset = 4096;
    manifest.infoTable = true;
    manifest.imageSize = std::uint64_t{1} << 32;
    manifest.imageCrc = 0x0000ABCD;
    manifest.rows = {{"D:\\res\\logo.bin", 1234, 4096, 0xCBF43926},
                     {"/res/中文.jpg", 0xFFFFFFFF, 5330, 0}};
    return manifest;
}

TEST(Manifest, HoldsTheLayoutAndReadsBack) {
    const std::string text = manifestText(sample());
    const auto json = nlohmann::json::parse(text);
    EXPECT_EQ(json["front_offset"], 4096);
    EXPECT_EQ(json["info_table"], true);
    EXPECT_EQ(json["image_size"], 4294967296u);
    EXPECT_EQ(json["image_crc32"], "0000abcd");
    ASSERT_EQ(json["files"].size(), 2u);
    EXPECT_EQ(json["files"][0],
              nlohmann::json::parse(R"({"no": 1, "path": "D:\\res\\logo.bin", "file": "logo.bin",
                  "size": 1234, "address": 4096, "crc32": "cbf43926"})"));
    EXPECT_EQ(json["files"][1]["no"], 2);
    EXPECT_EQ(json["files"][1]["file"], "中文.jpg");

    // Read back, it is the same manifest: written again, the same text.
    const ManifestReadResult read = parseManifest(text);
    ASSERT_EQ(read.status, ManifestReadResult::Status::Ok) << read.reason;
    EXPECT_EQ(manifestText(read.manifest), text);
    // A name that is not UTF-8 still gives valid JSON.
    Manifest odd;
    odd.rows = {{"/res/\xFF.bin", 1, 0, 0}};
    EXPECT_EQ(parseManifest(manifestText(odd)).status, ManifestReadResult::Status::Ok);
}

TEST(Manifest, RefusesWhatVerifyCannotUse) {
    auto with = [](const char* key, nlohmann::json value) {
        auto json = nlohmann::json::parse(manifestText(sample()));
        json[key] = std::move(value);
        return json.dump();
    };
    auto withRow = [](const char* key, nlohmann::json value) {
        auto json = nlohmann::json::parse(manifestText(sample()));
        if (value.is_null()) {
            json["files"][1].erase(key);
        } else {
            json["files"][1][key] = std::move(value);
        }
        return json.dump();
    };
    const std::string bad[] = {
        "",
        "[1]",
        manifestText(sample()).substr(1),
        with("version", 2),
        with("front_offset", 4294967296u),
        with("front_offset", -1),
        with("front_offset", "4096"),
        with("info_table", 1),
        with("image_size", 4294967297u),
        with("image_crc32", "abcd"),
        with("image_crc32", "0000abcg"),
        with("image_crc32", 43981),
        with("files", nlohmann::json::object()),
        withRow("size", 4294967296u),
        withRow("address", nullptr),
        withRow("crc32", "123456789"),
        withRow("path", 7),
    };
    for (const std::string& text : bad) {
        EXPECT_EQ(parseManifest(text).status, ManifestReadResult::Status::FormatError) << text;
    }
    EXPECT_EQ(parseManifest(withRow("path", nullptr)).status, ManifestReadResult::Status::Ok);
    EXPECT_EQ(parseManifest(withRow("crc32", "ABCDEF01")).manifest.rows[1].crc, 0xABCDEF01u);
    EXPECT_EQ(readManifest("/nonexistent/m.json").status, ManifestReadResult::Status::CannotOpen);
#ifndef _WIN32
    EXPECT_EQ(readManifest("/").error, std::errc::is_a_directory);
#endif
}

} // namespace
} // namespace zd

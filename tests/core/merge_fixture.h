// A scratch folder with two inputs and an earlier image and list file, for
// the tests of what a merge writes and what it leaves alone; the HEX or
// S-record text the writer gives, to compare with what a merge wrote.
#pragma once

#include "core/firmware/hex_formats.h"
#include "core/image/image_writer.h"
#include "tests/support/test_files.h"

#include <gtest/gtest.h>

namespace zd::test {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;

// A list at `frontOffset` holding `rows`, laid out.
inline EntryList listOf(std::uint32_t frontOffset, const std::vector<NewEntry>& rows) {
    EntryList list;
    list.setFrontOffset(frontOffset);
    list.recomputeLayout();
    list.appendEntries(rows);
    return list;
}

// `v` as the image stores it: 4 bytes, least significant first.
inline std::string le32(std::uint32_t v) {
    return {static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16),
            static_cast<char>(v >> 24)};
}

inline std::error_code errc(std::errc code) {
    return std::make_error_code(code);
}

// A merge's outcome in one comparable line: status, path, reason.
inline std::string summary(MergeStatus status, const std::string& path,
                           std::error_code error = {}) {
    return std::to_string(static_cast<int>(status)) + "|" + path + "|" +
           (error ? error.message() : "");
}
inline std::string summary(const MergeResult& result) {
    return summary(result.status, result.path, result.error);
}

// The text for `image` given in pieces of `piece` bytes, then `fill` bytes of `byte`.
inline std::string hexOf(HexFormat format, const HexSettings& settings, const std::string& image,
                         std::size_t piece = 4096, std::uint64_t fill = 0,
                         unsigned char byte = 0xAB) {
    std::string text;
    HexWriter writer(format, settings, [&](std::string_view part) {
        text += part;
        return std::error_code{};
    });
    for (std::size_t at = 0; at < image.size(); at += piece) {
        const std::string_view part = std::string_view(image).substr(at, piece);
        EXPECT_FALSE(writer.write(part.data(), part.size()));
    }
    EXPECT_FALSE(writer.fill(byte, fill));
    EXPECT_FALSE(writer.finish());
    return text;
}

class MergeTest : public ::testing::Test {
  protected:
    void SetUp() override {
        writeFile(a, abytes);
        writeFile(b, bbytes);
        writeFile(dir / "out.bin", "earlier image");
        writeFile(dir / "out.h", "earlier list");
    }
    // A list at `frontOffset` holding `paths` with their present lengths.
    static EntryList listOf(std::uint32_t frontOffset, const Names& paths) {
        std::vector<NewEntry> rows;
        for (const std::string& path : paths) {
            rows.push_back({path, static_cast<std::uint32_t>(fs::file_size(path))});
        }
        return test::listOf(frontOffset, rows);
    }
    // The earlier outputs are as they were and nothing else is in the folder.
    void expectEarlierKept(const Names& names = {"a.bin", "b.bin", "out.bin", "out.h"}) {
        EXPECT_EQ(readFile(dir / "out.bin"), "earlier image");
        EXPECT_EQ(readFile(dir / "out.h"), "earlier list");
        EXPECT_EQ(namesIn(dir.path()), names);
    }

    TempDir dir;
    std::string a = dir / "a.bin";
    std::string b = dir / "b.bin";
    std::string abytes = patternBytes(1234, 1);
    std::string bbytes = patternBytes(5000, 2);
    OutputPaths outputs = *outputPathsFor(dir / "out");
};

} // namespace zd::test

// A HEX or S-record text collected from the writer, for the tests that
// compare it with what a merge wrote.
#pragma once

#include "core/firmware/hex_formats.h"

#include <gtest/gtest.h>
#include <string>

namespace zd::test {

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

} // namespace zd::test

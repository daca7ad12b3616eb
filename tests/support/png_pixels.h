// The pixels of a PNG as rsvg-convert writes it (8 bits a channel, RGB or
// RGBA, not interlaced), to look at what a picture shows where. Needs zlib.
#pragma once

#include <array>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>
#include <zlib.h>

namespace zd::test {

struct Pixels {
    std::uint32_t width = 0, height = 0, channels = 0;
    std::vector<unsigned char> bytes; // row by row, `channels` bytes a pixel
    std::array<int, 3> rgb(std::uint32_t x, std::uint32_t y) const {
        const unsigned char* p = &bytes[(std::size_t{y} * width + x) * channels];
        return {p[0], p[1], p[2]};
    }
};

// Nothing for a PNG of another kind.
inline std::optional<Pixels> readPng(const std::string& png) {
    const auto be32 = [&png](std::size_t at) {
        return std::uint32_t(std::uint8_t(png[at])) << 24 |
               std::uint32_t(std::uint8_t(png[at + 1])) << 16 |
               std::uint32_t(std::uint8_t(png[at + 2])) << 8 | std::uint8_t(png[at + 3]);
    };
    if (png.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0) {
        return std::nullopt;
    }
    Pixels image;
    std::string packed;
    for (std::size_t at = 8; at + 8 <= png.size();) {
        const std::uint32_t length = be32(at);
        const std::string type = png.substr(at + 4, 4);
        if (type == "IHDR") {
            image.width = be32(at + 8);
            image.height = be32(at + 12);
            const int depth = png[at + 16], colour = png[at + 17], interlace = png[at + 20];
            if (depth != 8 || (colour != 2 && colour != 6) || interlace != 0) {
                return std::nullopt;
            }
            image.channels = colour == 6 ? 4 : 3;
        } else if (type == "IDAT") {
            packed += png.substr(at + 8, length);
        }
        at += 12 + std::size_t{length};
    }
    const std::size_t stride = std::size_t{image.width} * image.channels;
    std::vector<unsigned char> filtered(image.height * (stride + 1));
    uLongf size = filtered.size();
    if (uncompress(filtered.data(), &size, reinterpret_cast<const Bytef*>(packed.data()),
                   packed.size()) != Z_OK ||
        size != filtered.size()) {
        return std::nullopt;
    }
    // Each row: a filter byte, then the bytes less a prediction from the
    // left (a), above (b) and above-left (c).
    image.bytes.resize(image.height * stride);
    for (std::size_t y = 0; y < image.height; ++y) {
        const unsigned char* in = &filtered[y * (stride + 1) + 1];
        unsigned char* out = &image.bytes[y * stride];
        const unsigned char* up = y ? out - stride : nullptr;
        for (std::size_t i = 0; i < stride; ++i) {
            const int a = i >= image.channels ? out[i - image.channels] : 0, b = up ? up[i] : 0,
                      c = up && i >= image.channels ? up[i - image.channels] : 0;
            const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b),
                      pc = std::abs(p - c);
            const int paeth = pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
            const int predicted[] = {0, a, b, (a + b) / 2, paeth};
            const int filter = filtered[y * (stride + 1)];
            if (filter > 4) {
                return std::nullopt;
            }
            out[i] = static_cast<unsigned char>(in[i] + predicted[filter]);
        }
    }
    return image;
}

} // namespace zd::test

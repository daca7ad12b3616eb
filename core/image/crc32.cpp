#include "core/image/crc32.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <zlib.h>

#if defined(ZD_HAVE_ISAL)
#include <isa-l/crc.h>
#endif

namespace zd {
namespace {

// zlib takes lengths as `long` (32 bits on Windows), so long runs go in
// pieces of at most 1 GiB.
constexpr std::uint64_t kPiece = std::uint64_t{1} << 30;

std::uint32_t extend(std::uint32_t crc, const unsigned char* data, std::size_t size) {
#if defined(ZD_HAVE_ISAL)
    // Folds with carry-less multiplication: about ten times zlib's speed,
    // fast enough to keep up with a copy.
    return crc32_gzip_refl(crc, data, size);
#else
    while (size > 0) {
        const auto piece = static_cast<std::size_t>(std::min<std::uint64_t>(size, kPiece));
        crc = static_cast<std::uint32_t>(crc32_z(crc, data, piece));
        data += piece;
        size -= piece;
    }
    return crc;
#endif
}

} // namespace

void Crc32::update(const void* data, std::size_t size) {
    value_ = extend(value_, static_cast<const unsigned char*>(data), size);
}

void Crc32::updateFill(unsigned char byte, std::uint64_t count) {
    std::array<unsigned char, 4096> block;
    block.fill(byte);
    while (count > 0) {
        const auto piece = static_cast<std::size_t>(std::min<std::uint64_t>(count, block.size()));
        update(block.data(), piece);
        count -= piece;
    }
}

std::uint32_t crc32Of(std::string_view bytes) {
    Crc32 crc;
    crc.update(bytes);
    return crc.value();
}

std::string crc32Text(std::uint32_t crc) {
    char text[12];
    std::snprintf(text, sizeof text, "%08x", static_cast<unsigned>(crc));
    return text;
}

std::uint32_t crc32Combine(std::uint32_t first, std::uint32_t second, std::uint64_t secondLength) {
    // Appending B shifts A's remainder by B's length and adds B's CRC; the
    // shift over a long B is done as several shorter ones (B's CRC is added
    // only with the last).
    std::uint32_t crc = first;
    while (secondLength > kPiece) {
        crc = static_cast<std::uint32_t>(crc32_combine(crc, 0, static_cast<z_off_t>(kPiece)));
        secondLength -= kPiece;
    }
    return static_cast<std::uint32_t>(
        crc32_combine(crc, second, static_cast<z_off_t>(secondLength)));
}

const char* crc32Engine() {
#if defined(ZD_HAVE_ISAL)
    return "isa-l";
#else
    return "zlib";
#endif
}

} // namespace zd

// CRC-32 against zlib's own, and the image's CRC from its pieces'.
#include "core/image/crc32.h"
#include "tests/support/test_files.h"

#include <gtest/gtest.h>
#include <zlib.h>

namespace zd {
namespace {

std::uint32_t zlibCrc(const std::string& bytes) {
    return static_cast<std::uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size())));
}

TEST(Crc32, MatchesZlibInPiecesFilledAndCombined) {
    EXPECT_EQ(crc32Of("123456789"), 0xCBF43926u); // the check value of CRC-32/ISO-HDLC
    EXPECT_EQ(crc32Of(""), 0u);
    const std::string bytes = test::patternBytes(300000, 5);
    Crc32 pieces;
    for (std::size_t at = 0, piece = 1; at < bytes.size(); at += piece, piece = piece * 3 + 1) {
        pieces.update(std::string_view(bytes).substr(at, piece));
    }
    EXPECT_EQ(pieces.value(), zlibCrc(bytes));
    Crc32 filled;
    filled.update("ab");
    filled.updateFill(0xFF, 8193); // two whole blocks and one byte
    EXPECT_EQ(filled.value(), zlibCrc("ab" + std::string(8193, '\xFF')));

    const std::string a = bytes.substr(0, 5000), b = bytes.substr(5000);
    EXPECT_EQ(crc32Combine(crc32Of(a), crc32Of(b), b.size()), zlibCrc(bytes));
    EXPECT_EQ(crc32Combine(crc32Of(a), 0, 0), crc32Of(a));
    // zlib's lengths are 32 bits on Windows, so past 1 GiB the shift goes in
    // steps; where zlib takes the whole length at once, it tells the answer.
    if constexpr (sizeof(z_off_t) >= 8) {
        for (const std::uint64_t length : {1ull << 30, (1ull << 30) + 1, (3ull << 30) + 5}) {
            EXPECT_EQ(crc32Combine(crc32Of(a), crc32Of(b), length),
                      crc32_combine(crc32Of(a), crc32Of(b), static_cast<z_off_t>(length)))
                << length;
        }
    }
}

} // namespace
} // namespace zd

// CRC-32 against zlib's own, and the image's CRC from its pieces'.
#include "crc32.h"
#include "flash_size.h"
#include "test_files.h"

#include <gtest/gtest.h>
#include <zlib.h>

namespace zd {
namespace {

std::uint32_t zlibCrc(const std::string& bytes) {
    return static_cast<std::uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size())));
}

TEST(Crc32, MatchesZlibWholeAndInPieces) {
    EXPECT_EQ(crc32Of("123456789"), 0xCBF43926u); // the check value of CRC-32/ISO-HDLC
    EXPECT_EQ(crc32Of(""), 0u);
    const std::string bytes = test::patternBytes(300000, 5);
    EXPECT_EQ(crc32Of(bytes), zlibCrc(bytes));
    Crc32 pieces;
    for (std::size_t at = 0, piece = 1; at < bytes.size(); at += piece, piece = piece * 3 + 1) {
        pieces.update(std::string_view(bytes).substr(at, piece));
    }
    EXPECT_EQ(pieces.value(), zlibCrc(bytes));
    Crc32 filled;
    filled.update("ab");
    filled.updateFill(0xFF, 8193); // two whole blocks and one byte
    EXPECT_EQ(filled.value(), zlibCrc("ab" + std::string(8193, '\xFF')));
}

TEST(Crc32, CombinesPieces) {
    const std::string a = test::patternBytes(5000, 1);
    const std::string b = test::patternBytes(70001, 2);
    EXPECT_EQ(crc32Combine(crc32Of(a), crc32Of(b), b.size()), zlibCrc(a + b));
    EXPECT_EQ(crc32Combine(crc32Of(a), 0, 0), crc32Of(a));
    EXPECT_EQ(crc32Combine(0, crc32Of(b), b.size()), crc32Of(b));
    // zlib's lengths are 32 bits on Windows, so past 1 GiB the shift goes in
    // steps; where zlib takes the whole length at once, it tells the answer.
    if constexpr (sizeof(z_off_t) >= 8) {
        const std::uint64_t gib = std::uint64_t{1} << 30;
        for (const std::uint64_t length : {gib, gib + 1, 3 * gib + 5}) {
            EXPECT_EQ(crc32Combine(crc32Of(a), crc32Of(b), length),
                      crc32_combine(crc32Of(a), crc32Of(b), static_cast<z_off_t>(length)))
                << length;
        }
    }
}

TEST(FlashSize, RefusesWhatDoesNotFitAndPadsTheRest) {
    EXPECT_TRUE(flashSizeProblem(0));
    EXPECT_FALSE(flashSizeProblem(1));
    EXPECT_FALSE(flashSizeProblem(kLargestFlash));
    EXPECT_TRUE(flashSizeProblem(kLargestFlash + 1));
    const FlashFit over = fitToFlash(0x100001, 0x100000);
    EXPECT_FALSE(over.fits);
    EXPECT_EQ(over.overBy, 1u);
    const FlashFit exact = fitToFlash(0x100000, 0x100000);
    EXPECT_TRUE(exact.fits);
    EXPECT_EQ(exact.padding, 0u);
    const FlashFit room = fitToFlash(10330, 16384);
    EXPECT_TRUE(room.fits);
    EXPECT_EQ(room.overBy, 0u);
    EXPECT_EQ(room.padding, 6054u);
}

} // namespace
} // namespace zd

// Summing an input where it lies while the kernel copies it: the CRC-32 of
// what was copied, and a clean error, not a crash, when the input is cut
// short under the map.
#include "checksum_copy.h"
#include "crc32.h"
#include "output_set.h"
#include "test_files.h"

#include <gtest/gtest.h>

namespace zd {
namespace {

namespace fs = std::filesystem;

void sumInto(void* context, const unsigned char* bytes, std::size_t size) {
    static_cast<Crc32*>(context)->update(bytes, size);
}

// The CRC of `size` bytes from `offset` through a visit, or the visit's error.
std::error_code visitCrc(const files::Input& input, std::uint64_t offset, std::size_t size,
                         std::uint32_t& crc) {
    Crc32 sum;
    const std::error_code error = input.visitInPlace(offset, size, sumInto, &sum);
    crc = sum.value();
    return error;
}

TEST(ChecksumCopy, VisitInPlaceSeesTheBytesAndSurvivesACutFile) {
    test::TempDir dir;
    const std::string bytes = test::patternBytes(3 * 4096 + 123, 7);
    test::writeFile(dir / "in", bytes);
    files::Input input;
    ASSERT_FALSE(input.open(dir / "in"));
    std::uint32_t crc = 0;
#ifdef _WIN32
    EXPECT_EQ(visitCrc(input, 0, 1, crc), std::errc::not_supported);
#else
    for (const auto& [offset, size] : {std::pair<std::size_t, std::size_t>{0, bytes.size()},
                                       {4095, 4098},
                                       {5000, 1},
                                       {bytes.size() - 1, 1}}) {
        ASSERT_FALSE(visitCrc(input, offset, size, crc)) << offset;
        EXPECT_EQ(crc, crc32Of(std::string_view(bytes).substr(offset, size))) << offset;
    }
    EXPECT_FALSE(visitCrc(input, 0, 0, crc));
    // Another program shortens the file: the pages past its new end fault.
    fs::resize_file(test::pathOf(dir / "in"), 4096);
    EXPECT_EQ(visitCrc(input, 0, bytes.size(), crc), std::errc::io_error);
    ASSERT_FALSE(visitCrc(input, 100, 200, crc)); // and later visits still work
    EXPECT_EQ(crc, crc32Of(std::string_view(bytes).substr(100, 200)));
#endif
}

// Copies `size` bytes of dir/in, cut to `cutTo` bytes after it was opened,
// into a new output, by the summing copy or by plain reads that show each
// piece to a CRC; that CRC and what the copy says.
struct Copied {
    std::error_code error;
    files::CopyResult result;
    std::uint32_t crc = 0;
    std::string written;
};
Copied copyWithSum(const test::TempDir& dir, std::uint64_t size, std::uint64_t cutTo,
                   bool byReading, const files::Output::ChunkFn& onChunk = {}) {
    files::Input input;
    EXPECT_FALSE(input.open(dir / "in"));
    fs::resize_file(test::pathOf(dir / "in"), cutTo);
    Copied copied;
    {
        OutputSet set;
        OutputFile* out = nullptr;
        EXPECT_FALSE(set.add(dir / "out", out));
        Crc32 read;
        const auto sum = [&](const unsigned char* bytes, std::size_t count) {
            read.update(bytes, count);
        };
        copied.error = byReading
                           ? out->appendByReading(input, size, copied.result, onChunk, sum)
                           : appendSummed(input, *out, size, copied.result, onChunk, copied.crc);
        if (byReading) {
            copied.crc = read.value();
        }
        EXPECT_FALSE(set.commit());
    }
    copied.written = test::readFile(dir / "out");
    fs::remove(test::pathOf(dir / "out"));
    return copied;
}

TEST(ChecksumCopy, CopiesAndSumsExactlyTheListedSize) {
    test::TempDir dir;
    const std::size_t size = (std::size_t{5} << 20) / 2 + 77; // more than two pieces
    const std::string bytes = test::patternBytes(size + 1, 3);
    for (const auto& [cutTo, copied, more] :
         {std::tuple<std::size_t, std::size_t, bool>{size, size, false},
          {size + 1, size, true},    // the file grew
          {1 << 20, 1 << 20, false}, // shrank past the first piece
          {1000, 1000, false}}) {
        for (const bool byReading : {false, true}) {
            SCOPED_TRACE(testing::Message() << cutTo << (byReading ? " by reading" : ""));
            test::writeFile(dir / "in", bytes);
            const Copied c = copyWithSum(dir, size, cutTo, byReading);
            ASSERT_FALSE(c.error);
            EXPECT_EQ(c.result.copied, copied);
            EXPECT_EQ(c.result.more, more);
            EXPECT_EQ(c.written, bytes.substr(0, copied));
#ifndef _WIN32
            // The first piece is summed before the copy, in place, and faults.
            if (!byReading && cutTo < 1 << 20) {
                EXPECT_EQ(c.result.readError, std::errc::io_error);
                continue;
            }
#endif
            EXPECT_FALSE(c.result.readError);
            EXPECT_EQ(c.crc, crc32Of(c.written));
        }
    }
    // The user's stop after the first piece stops either copy.
    for (const bool byReading : {false, true}) {
        test::writeFile(dir / "in", bytes);
        const auto stop = [](std::uint64_t soFar) { return soFar < (1 << 20); };
        const Copied c = copyWithSum(dir, size, size + 1, byReading, stop);
        EXPECT_EQ(c.error, std::errc::operation_canceled) << byReading;
        EXPECT_EQ(c.result.copied, 1u << 20) << byReading;
    }
}

} // namespace
} // namespace zd

// The CRC-32 that zlib, gzip, PNG and Ethernet use (IEEE 802.3: reflected
// polynomial 0xEDB88320, starting value and final XOR 0xFFFFFFFF), as the
// manifest records it for the image and for every file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace zd {

// A running CRC-32: feed the bytes in order, piece by piece, in any sizes.
class Crc32 {
  public:
    void update(const void* data, std::size_t size);
    void update(std::string_view bytes) { update(bytes.data(), bytes.size()); }
    // `count` copies of `byte`, as a filler area holds them.
    void updateFill(unsigned char byte, std::uint64_t count);
    std::uint32_t value() const { return value_; }

  private:
    std::uint32_t value_ = 0;
};

std::uint32_t crc32Of(std::string_view bytes);

// `crc` as 8 lower-case hex digits, as the usual checksum tools print it.
std::string crc32Text(std::uint32_t crc);

// The CRC-32 of A followed by B, from the CRC-32 of A, that of B and B's
// length, without reading either again: the image's CRC from its pieces'.
std::uint32_t crc32Combine(std::uint32_t first, std::uint32_t second, std::uint64_t secondLength);

// Which implementation runs: "isa-l" or "zlib", for benchmark reports.
const char* crc32Engine();

} // namespace zd

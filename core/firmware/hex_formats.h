// The image as text for device programmers: Intel HEX (records 00 data, 04
// upper 16 address bits, 01 end) or Motorola S-records (an empty S0 header,
// S3 data with 32-bit addresses, S7 end), placed at a base address, written as the image
// streams past.
//
// Records hold at most 16 (Intel HEX) or 32 (S-records) bytes and never
// cross a multiple of that size in the address space, so an Intel HEX record
// never crosses a 64 KiB boundary. Lines end in CR LF, as most programmers
// on Windows expect and every reader accepts. With `skipErased`, a record
// whose bytes are all 0xFF (erased flash) is left out; a programmer that
// fills gaps with 0xFF, or programs an erased chip, gets the same image.
// Shorter 0xFF runs inside a record stay.
#pragma once

#include "core/image/image_stream.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <system_error>

namespace zd {

enum class HexFormat { IntelHex, SRecord };

struct HexSettings {
    std::uint32_t base = 0; // the address of the image's first byte
    bool skipErased = false;
};

// Where the text goes, piece by piece; an error stops the writer.
using TextSink = std::function<std::error_code(std::string_view)>;

// Whether `size` bytes placed at `base` stay inside the 32-bit address space
// that both formats have.
bool fitsAddressSpace(std::uint32_t base, std::uint64_t size);

// Fed the image in the same pass that writes it, as the merge's stream.
class HexWriter final : public ImageStream {
  public:
    HexWriter(HexFormat format, const HexSettings& settings, TextSink sink);

    // The image's next bytes, in order, in pieces of any size. Fails with
    // std::errc::value_too_large past the 32-bit address space.
    std::error_code write(const void* data, std::size_t size) override;
    // `count` copies of `byte` (the front area's filler, padding).
    std::error_code fill(unsigned char byte, std::uint64_t count) override;
    // Passes over the image's next `count` bytes without a record for them
    // (what a programmer is to leave as it is); the record begun ends first.
    std::error_code skip(std::uint64_t count);
    // Writes the last data record and the end record, and hands over the rest.
    std::error_code finish() override;

  private:
    // Writes the record of `size` bytes at `address` (or leaves it out when
    // erased) and begins the next one at next_.
    std::error_code endRecord(std::uint64_t address, const unsigned char* data, std::size_t size);
    void intelRecord(std::uint8_t type, std::uint16_t address, const unsigned char* data,
                     std::size_t size);
    void sRecord(char type, std::uint32_t address, const unsigned char* data, std::size_t size);
    std::error_code drain(bool all);

    HexFormat format_;
    HexSettings settings_;
    TextSink sink_;
    std::size_t recordBytes_;
    std::uint64_t next_ = 0; // address of the next byte
    unsigned char record_[32] = {};
    std::size_t recordSize_ = 0; // bytes of the record begun, which ends at next_
    std::uint32_t upper_ = 0;    // Intel HEX: the upper 16 bits in force
    std::string text_;           // records not yet handed over: the first `used_` characters
    std::size_t used_ = 0;
};

// Whether `head`, the start of a file, is the start of records of `format`
// as this tool writes them: a first line of one record (":" or "S" and a
// digit, then hexadecimal digits).
bool isHexText(HexFormat format, std::string_view head);

} // namespace zd

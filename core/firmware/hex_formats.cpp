#include "core/firmware/hex_formats.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace zd {
namespace {

constexpr std::uint64_t kAddressSpace = std::uint64_t{1} << 32;
constexpr std::size_t kDrainAt = 64 * 1024;

// The two hex digits of every byte value, looked up rather than worked out:
// a 1 GiB image takes about 3 GB of them.
constexpr auto kDigitPairs = [] {
    constexpr char digits[] = "0123456789ABCDEF";
    std::array<std::array<char, 2>, 256> pairs{};
    for (std::size_t value = 0; value < pairs.size(); ++value) {
        pairs[value] = {digits[value >> 4], digits[value & 0xF]};
    }
    return pairs;
}();

// Writes one record's text at `out`, keeping its checksum as it goes.
class RecordText {
  public:
    explicit RecordText(char* out) : start_(out), out_(out) {}
    void put(char c) { *out_++ = c; }
    void byte(std::uint8_t value) { bytes(&value, 1); }
    void bytes(const unsigned char* data, std::size_t size) {
        char* out = out_; // kept apart: a char write could alias the members
        std::uint8_t sum = sum_;
        for (std::size_t i = 0; i < size; ++i) {
            std::memcpy(out, kDigitPairs[data[i]].data(), 2);
            out += 2;
            sum = static_cast<std::uint8_t>(sum + data[i]);
        }
        out_ = out;
        sum_ = sum;
    }
    std::uint8_t sum() const { return sum_; }
    // Ends the line with `check` and CR LF; returns its length.
    std::size_t end(std::uint8_t check) {
        byte(check);
        put('\r');
        put('\n');
        return static_cast<std::size_t>(out_ - start_);
    }

  private:
    char* start_;
    char* out_;
    std::uint8_t sum_ = 0;
};

} // namespace

bool fitsAddressSpace(std::uint32_t base, std::uint64_t size) {
    return size <= kAddressSpace - base;
}

HexWriter::HexWriter(HexFormat format, const HexSettings& settings, TextSink sink)
    : format_(format), settings_(settings), sink_(std::move(sink)),
      recordBytes_(format == HexFormat::IntelHex ? 16 : 32), next_(settings.base) {
    // Records are written straight into the text, which is handed over
    // once it holds kDrainAt characters; the longest record (S3, 32 bytes)
    // is 80.
    text_.resize(kDrainAt + 128);
    if (format_ == HexFormat::SRecord) {
        constexpr std::string_view header = "S0030000FC\r\n"; // empty, as readers expect one
        header.copy(text_.data(), header.size());
        used_ = header.size();
    }
}

std::error_code HexWriter::write(const void* data, std::size_t size) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    if (size > kAddressSpace - std::min(next_, kAddressSpace)) {
        return std::make_error_code(std::errc::value_too_large);
    }
    while (size > 0) {
        // A record ends at the next multiple of its size in the address space.
        const std::size_t room = recordBytes_ - static_cast<std::size_t>(next_ % recordBytes_);
        const std::size_t piece = std::min(room, size);
        next_ += piece;
        if (piece == room && recordSize_ == 0) {
            // A whole record among the caller's bytes: written from there.
            if (auto error = endRecord(next_ - piece, bytes, piece)) {
                return error;
            }
        } else {
            std::copy(bytes, bytes + piece, record_ + recordSize_);
            recordSize_ += piece;
            if (piece == room) {
                if (auto error = endRecord(next_ - recordSize_, record_, recordSize_)) {
                    return error;
                }
            }
        }
        bytes += piece;
        size -= piece;
    }
    return {};
}

std::error_code HexWriter::fill(unsigned char byte, std::uint64_t count) {
    std::array<unsigned char, 4096> block;
    block.fill(byte);
    const auto put = [&](std::uint64_t left) {
        while (left > 0) {
            const auto piece =
                static_cast<std::size_t>(std::min<std::uint64_t>(left, block.size()));
            if (auto error = write(block.data(), piece)) {
                return error;
            }
            left -= piece;
        }
        return std::error_code{};
    };
    if (!settings_.skipErased || byte != 0xFF) {
        return put(count);
    }
    // Erased bytes: the record begun takes its share; the whole records
    // after it would all be left out, so they are passed over unwritten.
    const std::uint64_t head =
        std::min<std::uint64_t>(count, (recordBytes_ - next_ % recordBytes_) % recordBytes_);
    if (auto error = put(head)) {
        return error;
    }
    count -= head;
    const std::uint64_t whole = count - count % recordBytes_;
    if (whole > kAddressSpace - next_) {
        return std::make_error_code(std::errc::value_too_large);
    }
    next_ += whole;
    return put(count - whole);
}

std::error_code HexWriter::skip(std::uint64_t count) {
    if (count > kAddressSpace - next_) {
        return std::make_error_code(std::errc::value_too_large);
    }
    if (auto error = endRecord(next_ - recordSize_, record_, recordSize_)) {
        return error;
    }
    next_ += count;
    return {};
}

std::error_code HexWriter::finish() {
    if (auto error = endRecord(next_ - recordSize_, record_, recordSize_)) {
        return error;
    }
    if (format_ == HexFormat::IntelHex) {
        intelRecord(0x01, 0, nullptr, 0);
    } else {
        sRecord('7', settings_.base, nullptr, 0);
    }
    return drain(true);
}

std::error_code HexWriter::endRecord(std::uint64_t address, const unsigned char* data,
                                     std::size_t size) {
    recordSize_ = 0;
    if (size == 0 || (settings_.skipErased &&
                      std::all_of(data, data + size, [](unsigned char b) { return b == 0xFF; }))) {
        return {};
    }
    if (format_ == HexFormat::IntelHex) {
        const auto upper = static_cast<std::uint32_t>(address >> 16);
        if (upper != upper_) {
            const unsigned char high[2] = {static_cast<unsigned char>(upper >> 8),
                                           static_cast<unsigned char>(upper & 0xFF)};
            intelRecord(0x04, 0, high, 2);
            upper_ = upper;
        }
        intelRecord(0x00, static_cast<std::uint16_t>(address & 0xFFFF), data, size);
    } else {
        sRecord('3', static_cast<std::uint32_t>(address), data, size);
    }
    return drain(false);
}

// ":" count, address, type, data, then the two's complement of their sum.
void HexWriter::intelRecord(std::uint8_t type, std::uint16_t address, const unsigned char* data,
                            std::size_t size) {
    RecordText record(text_.data() + used_);
    record.put(':');
    record.byte(static_cast<std::uint8_t>(size));
    record.byte(static_cast<std::uint8_t>(address >> 8));
    record.byte(static_cast<std::uint8_t>(address & 0xFF));
    record.byte(type);
    record.bytes(data, size);
    used_ += record.end(static_cast<std::uint8_t>(0x100 - record.sum()));
}

// "S" type, count of the bytes that follow, 32-bit address, data, then the
// ones' complement of their sum.
void HexWriter::sRecord(char type, std::uint32_t address, const unsigned char* data,
                        std::size_t size) {
    RecordText record(text_.data() + used_);
    record.put('S');
    record.put(type);
    record.byte(static_cast<std::uint8_t>(4 + size + 1));
    for (int shift = 24; shift >= 0; shift -= 8) {
        record.byte(static_cast<std::uint8_t>((address >> shift) & 0xFF));
    }
    record.bytes(data, size);
    used_ += record.end(static_cast<std::uint8_t>(~record.sum()));
}

std::error_code HexWriter::drain(bool all) {
    if (!all && used_ < kDrainAt) {
        return {};
    }
    const std::error_code error = sink_(std::string_view(text_.data(), used_));
    used_ = 0;
    return error;
}

bool isHexText(HexFormat format, std::string_view head) {
    std::string_view line = head.substr(0, head.find('\n'));
    if (line.ends_with('\r')) {
        line.remove_suffix(1);
    }
    const std::size_t start = format == HexFormat::IntelHex ? 1 : 2;
    const bool marked = format == HexFormat::IntelHex
                            ? line.starts_with(':')
                            : line.size() > 1 && line[0] == 'S' && line[1] >= '0' && line[1] <= '9';
    return marked && line.size() > start &&
           line.find_first_not_of("0123456789ABCDEFabcdef", start) == std::string_view::npos;
}

} // namespace zd

// Room for a file to grow in place: its slot in the image is its size plus
// a reserve, so that a later merge that keeps the layout finds the larger
// file still fits and moves nothing else.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zd {

// The largest percentage taken: more would lay out mostly filler.
inline constexpr std::uint32_t kLargestReservePercent = 1000;

// A reserve of so many bytes, or of a share of each file's size; none
// (zero) by default, which lays files back to back.
struct Reserve {
    std::uint32_t amount = 0;
    bool percent = false; // `amount` is a percentage of each file's size

    bool any() const { return amount != 0; }
    // The bytes reserved after a file of `size` bytes: a percentage is
    // rounded up, so that every file of a few bytes still gets room.
    std::uint64_t after(std::uint32_t size) const {
        return percent ? (std::uint64_t{size} * amount + 99) / 100 : amount;
    }
    bool operator==(const Reserve&) const = default;
};

// A reserve as typed: a byte count as the front offset takes it ("4096",
// "0x1000", "4K"), below 4 GiB, or a whole percentage up to
// kLargestReservePercent ("25%"). Nothing for anything else.
std::optional<Reserve> parseReserve(std::string_view text);

// The reserve as parseReserve takes it back: "4096", "25%".
std::string reserveText(const Reserve& reserve);

} // namespace zd

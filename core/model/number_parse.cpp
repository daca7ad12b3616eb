#include "core/model/number_parse.h"

#include <charconv>
#include <cstdio>
#include <limits>

namespace zd {
namespace {

constexpr std::uint32_t kMax32 = std::numeric_limits<std::uint32_t>::max();
constexpr std::uint64_t kMax64 = std::numeric_limits<std::uint64_t>::max();

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

std::string_view skipBlanks(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && isBlank(text[i])) {
        ++i;
    }
    return text.substr(i);
}

bool isHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// An unsigned number at the start of `text` in C's automatic base, read as
// far as its digits go.
struct Digits {
    std::uint64_t value = 0; // UINT64_MAX when past 64 bits
    bool any = false;        // whether there was a digit at all
    std::string_view rest;   // what follows the digits
};

Digits readDigits(std::string_view text) {
    int base = 10;
    if (!text.empty() && text.front() == '0') {
        // "0x" counts as a prefix only when a hex digit follows; otherwise
        // the 0 alone is the number.
        if (text.size() > 2 && (text[1] == 'x' || text[1] == 'X') && isHexDigit(text[2])) {
            base = 16;
            text.remove_prefix(2);
        } else {
            base = 8;
        }
    }
    Digits digits;
    const char* const end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, digits.value, base);
    digits.any = stop != text.data();
    if (error == std::errc::result_out_of_range) {
        digits.value = kMax64;
    }
    digits.rest = std::string_view(stop, static_cast<std::size_t>(end - stop));
    return digits;
}

} // namespace

std::uint32_t parseFrontOffset(std::string_view text) {
    text = skipBlanks(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    const Digits digits = readDigits(text);
    // A value past 32 bits stays clamped whatever its sign.
    if (digits.value > kMax32) {
        return kMax32;
    }
    const auto value = static_cast<std::uint32_t>(digits.value);
    return negative ? 0u - value : value;
}

std::optional<std::uint64_t> parseByteCount(std::string_view text) {
    const Digits digits = readDigits(text);
    if (!digits.any) {
        return std::nullopt;
    }
    std::uint64_t unit = 1;
    if (digits.rest == "K" || digits.rest == "k") {
        unit = std::uint64_t{1} << 10;
    } else if (digits.rest == "M" || digits.rest == "m") {
        unit = std::uint64_t{1} << 20;
    } else if (!digits.rest.empty()) {
        return std::nullopt;
    }
    if (digits.value > kMax64 / unit) {
        return kMax64;
    }
    return digits.value * unit;
}

std::optional<std::uint32_t> parseCount(std::string_view text) {
    text = skipBlanks(text);
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
    }
    std::uint32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    (void)end;
    if (error != std::errc{}) {
        return std::nullopt;
    }
    return value;
}

std::string hex32(std::uint64_t value) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%08llX", static_cast<unsigned long long>(value));
    return text;
}

} // namespace zd

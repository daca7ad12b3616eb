#include "number_parse.h"

#include <charconv>
#include <limits>

namespace zd {
namespace {

constexpr std::uint32_t kMax = std::numeric_limits<std::uint32_t>::max();

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

} // namespace

std::uint32_t parseFrontOffset(std::string_view text) {
    text = skipBlanks(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
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
    std::uint32_t value = 0; // stays 0 when there is no digit
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    (void)end;
    // A value past 32 bits stays clamped whatever its sign.
    if (error == std::errc::result_out_of_range) {
        return kMax;
    }
    return negative ? static_cast<std::uint32_t>(0u - value) : value;
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

} // namespace zd

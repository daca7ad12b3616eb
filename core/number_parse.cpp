#include "number_parse.h"

namespace zd {
namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

int digitValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'z') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'Z') {
        return c - 'A' + 10;
    }
    return 99;
}

bool isHexDigit(char c) { return digitValue(c) < 16; }

} // namespace

std::uint32_t parseFrontOffset(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && isBlank(text[i])) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    int base = 10;
    if (i < text.size() && text[i] == '0') {
        // "0x" counts as a prefix only when a hex digit follows; otherwise
        // the 0 alone is the number.
        if (i + 2 < text.size() && (text[i + 1] == 'x' || text[i + 1] == 'X') &&
            isHexDigit(text[i + 2])) {
            base = 16;
            i += 2;
        } else {
            base = 8;
        }
    }
    constexpr std::uint64_t kMax = 0xFFFFFFFFu;
    std::uint64_t value = 0;
    bool overflow = false;
    for (; i < text.size(); ++i) {
        const int digit = digitValue(text[i]);
        if (digit >= base) {
            break;
        }
        value = value * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(digit);
        if (value > kMax) {
            overflow = true;
            value = kMax; // keep reading digits, the result stays clamped
        }
    }
    if (overflow) {
        return static_cast<std::uint32_t>(kMax);
    }
    const auto result = static_cast<std::uint32_t>(value);
    return negative ? static_cast<std::uint32_t>(0u - result) : result;
}

std::optional<std::uint32_t> parseCount(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && isBlank(text[i])) {
        ++i;
    }
    if (i < text.size() && text[i] == '+') {
        ++i;
    }
    std::uint64_t value = 0;
    std::size_t digits = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, ++digits) {
        value = value * 10 + static_cast<std::uint64_t>(text[i] - '0');
        if (value > 0xFFFFFFFFu) {
            return std::nullopt;
        }
    }
    if (digits == 0) {
        return std::nullopt;
    }
    return static_cast<std::uint32_t>(value);
}

} // namespace zd

// The number readers on any text: no crash, and each agrees with a plain
// reference built on strtoull.
//
// parseFrontOffset takes what strtoull takes in base 0 (blanks, a sign, 0x
// or 0 prefix), keeps a value up to 32 bits and negates it modulo 2^32 for
// "-", and gives 4294967295 for anything larger. parseCount takes unsigned
// decimal only: blanks, an optional "+", at least one digit, within 32 bits.
// parseByteCount takes exactly what strtoull takes in base 0 when it starts
// with a digit and is read to its end, after an optional K or M suffix.

#include "core/model/number_parse.h"
#include "fuzz/fuzz_check.h"

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>

namespace {

constexpr std::uint64_t kMax32 = 0xFFFFFFFFu;

bool isBlank(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

std::uint32_t referenceFrontOffset(const std::string& text) {
    std::size_t i = 0;
    while (i < text.size() && isBlank(text[i])) {
        ++i;
    }
    const bool negative = i < text.size() && text[i] == '-';
    errno = 0;
    const unsigned long long raw = std::strtoull(text.c_str(), nullptr, 0);
    if (errno == ERANGE) {
        return static_cast<std::uint32_t>(kMax32);
    }
    // strtoull has already negated a "-" value modulo 2^64; undo it to see
    // the magnitude.
    const std::uint64_t magnitude = negative ? 0 - static_cast<std::uint64_t>(raw) : raw;
    if (magnitude > kMax32) {
        return static_cast<std::uint32_t>(kMax32);
    }
    const auto value = static_cast<std::uint32_t>(magnitude);
    return negative ? 0u - value : value;
}

std::optional<std::uint32_t> referenceCount(const std::string& text) {
    std::size_t i = 0;
    while (i < text.size() && isBlank(text[i])) {
        ++i;
    }
    if (i < text.size() && text[i] == '-') {
        return std::nullopt;
    }
    const char* start = text.c_str() + i;
    char* end = nullptr;
    errno = 0;
    const unsigned long long value = std::strtoull(start, &end, 10);
    if (end == start || errno == ERANGE || value > kMax32) {
        return std::nullopt;
    }
    return static_cast<std::uint32_t>(value);
}

std::optional<std::uint64_t> referenceByteCount(std::string text) {
    constexpr std::uint64_t kMax64 = ~std::uint64_t{0};
    if (text.empty() || text.front() < '0' || text.front() > '9' ||
        text.find('\0') != std::string::npos) {
        return std::nullopt;
    }
    std::uint64_t unit = 1;
    if (text.back() == 'K' || text.back() == 'k' || text.back() == 'M' || text.back() == 'm') {
        unit = (text.back() == 'K' || text.back() == 'k') ? 1024 : 1024 * 1024;
        text.pop_back();
    }
    char* end = nullptr;
    errno = 0;
    const unsigned long long value = std::strtoull(text.c_str(), &end, 0);
    if (end != text.c_str() + text.size()) {
        return std::nullopt;
    }
    if (errno == ERANGE || value > kMax64 / unit) {
        return kMax64;
    }
    return value * unit;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    // strtoull stops at the first NUL, and so must the reference's view.
    const std::string text = bytes.substr(0, bytes.find('\0'));
    ZD_FUZZ_CHECK(zd::parseFrontOffset(bytes) == referenceFrontOffset(text));
    ZD_FUZZ_CHECK(zd::parseCount(bytes) == referenceCount(text));
    ZD_FUZZ_CHECK(zd::parseByteCount(bytes) == referenceByteCount(bytes));
    return 0;
}

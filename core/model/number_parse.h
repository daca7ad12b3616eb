// Numbers as text: typed, read back, and written for people.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zd {

// The front offset a user typed, as the apply button takes it: leading white
// space skipped, an optional sign, "0x"/"0X" for hexadecimal, a leading 0 for
// octal, otherwise decimal; digits up to the first one not of that base, the
// rest ignored. No digit gives 0, a value past 32 bits gives 4294967295, and
// "-" negates modulo 2^32 ("-1" is 4294967295).
std::uint32_t parseFrontOffset(std::string_view text);

// A byte count or address as the command line takes it (offsets, sizes,
// addresses): the number alone, in decimal, "0x"/"0X" hexadecimal or
// 0-prefixed octal, optionally followed by K (KiB) or M (MiB), either case.
// No blanks, no sign, nothing else. Nothing when the text is not of that
// form; a value past 64 bits gives UINT64_MAX, so that callers, which set
// their own limit, see it as too large.
std::optional<std::uint64_t> parseByteCount(std::string_view text);

// An unsigned 32-bit decimal count as a list file stores it: leading blanks
// and an optional "+" skipped, at least one digit, reading stops at the first
// non-digit. Nothing when there is no digit, a "-" sign, or the value does
// not fit into 32 bits.
std::optional<std::uint32_t> parseCount(std::string_view text);

// "0x" and at least 8 upper-case hex digits: "0x0000285A", "0x100000000".
std::string hex32(std::uint64_t value);

} // namespace zd

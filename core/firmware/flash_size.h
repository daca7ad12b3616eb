// The chip an image is written to: an image larger than the flash is refused
// before anything is written, and an image may be filled up to the flash's
// size with 0xFF, the value of erased flash.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace zd {

// The largest flash size taken: an image cannot describe more than 4 GiB.
inline constexpr std::uint64_t kLargestFlash = std::uint64_t{1} << 32;

// Why `flashSize` cannot be a flash size, or nothing when it can.
std::optional<std::string> flashSizeProblem(std::uint64_t flashSize);

} // namespace zd

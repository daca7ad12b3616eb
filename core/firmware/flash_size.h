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

struct FlashFit {
    bool fits = true;          // the image is no larger than the flash
    std::uint64_t overBy = 0;  // by how many bytes it is larger
    std::uint64_t padding = 0; // 0xFF bytes that fill it up to the flash's size
};

FlashFit fitToFlash(std::uint64_t imageSize, std::uint64_t flashSize);

} // namespace zd

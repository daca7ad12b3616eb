#include "core/firmware/flash_size.h"

namespace zd {

std::optional<std::string> flashSizeProblem(std::uint64_t flashSize) {
    if (flashSize == 0) {
        return "the flash size must be at least 1 byte";
    }
    if (flashSize > kLargestFlash) {
        return "the flash size must be at most 4 GiB, the largest image";
    }
    return std::nullopt;
}

} // namespace zd

// An output made from the image's own bytes (HEX, S-records): it sees every
// byte in order as the merge writes it, front area to padding, so the image
// is never read back.
#pragma once

#include <cstddef>
#include <cstdint>
#include <system_error>

namespace zd {

class ImageStream {
  public:
    virtual ~ImageStream() = default;
    // The image's next bytes, in pieces of any size.
    virtual std::error_code write(const void* data, std::size_t size) = 0;
    // `count` copies of `byte`: the front area's filler, the padding.
    virtual std::error_code fill(unsigned char byte, std::uint64_t count) = 0;
    // Once the image is complete: writes whatever the output still holds.
    virtual std::error_code finish() = 0;
};

} // namespace zd

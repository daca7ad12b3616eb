// The copy by plain reads and writes, the same on every system: Win32's
// only copy, the POSIX side's where the kernel cannot move the bytes, and
// the copy that shows each piece to a CRC.
#include "core/files/file_layer.h"

#include <algorithm>

namespace zd::files {

// Large enough for few system calls, small enough that a stop is seen soon.
constexpr std::size_t kCopyBuffer = std::size_t{1} << 20;

std::error_code Output::appendByReading(Input& input, std::uint64_t size, CopyResult& result,
                                        const ChunkFn& onChunk, const BytesFn& onBytes) {
    buffer_.resize(kCopyBuffer);
    result = {};
    for (;;) {
        // One byte past `size` on the last piece tells a longer input.
        const std::uint64_t left = size - result.copied;
        const auto ask = static_cast<std::size_t>(std::min<std::uint64_t>(kCopyBuffer, left + 1));
        std::size_t got = 0;
        if (auto error = input.read(buffer_.data(), ask, got)) {
            result.readError = error;
            return {};
        }
        const auto keep = static_cast<std::size_t>(std::min<std::uint64_t>(got, left));
        if (onBytes) {
            onBytes(buffer_.data(), keep);
        }
        if (auto error = write(buffer_.data(), keep)) {
            return error;
        }
        result.copied += keep;
        if (got > keep) {
            result.more = true;
            return {};
        }
        if (got < ask) {
            return {}; // the input's end
        }
        if (onChunk && !onChunk(result.copied)) {
            return std::make_error_code(std::errc::operation_canceled);
        }
    }
}

} // namespace zd::files

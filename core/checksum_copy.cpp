#include "checksum_copy.h"

#include "crc32.h"
#include "output_set.h"

#include <algorithm>

namespace zd {

std::error_code ChecksumCopy::append(files::Input& input, OutputFile& out, std::uint64_t size,
                                     files::CopyResult& result,
                                     const files::Output::ChunkFn& onChunk, std::uint32_t& crc) {
    constexpr std::size_t kBuffer = std::size_t{1} << 20;
    buffer_.resize(kBuffer);
    result = {};
    Crc32 sum;
    for (;;) {
        // One byte past `size` on the last piece tells a longer input.
        const std::uint64_t left = size - result.copied;
        const auto ask = static_cast<std::size_t>(std::min<std::uint64_t>(kBuffer, left + 1));
        std::size_t got = 0;
        if (auto error = input.read(buffer_.data(), ask, got)) {
            result.readError = error;
            break;
        }
        const auto keep = static_cast<std::size_t>(std::min<std::uint64_t>(got, left));
        sum.update(buffer_.data(), keep);
        if (auto error = out.write(buffer_.data(), keep)) {
            return error;
        }
        result.copied += keep;
        if (got > keep) {
            result.more = true;
            break;
        }
        if (got < ask) {
            break; // the input's end
        }
        if (onChunk && !onChunk(result.copied)) {
            return std::make_error_code(std::errc::operation_canceled);
        }
    }
    crc = sum.value();
    return {};
}

} // namespace zd

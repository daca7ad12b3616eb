#include "core/files/input_batch.h"

#include <algorithm>

namespace zd::files {

std::error_code InputBatch::take(files::Input& input, std::uint64_t size, OutputFile& image,
                                 files::CopyResult& result) {
    result = {};
    if (!buffer_) {
        buffer_ = std::make_unique_for_overwrite<char[]>(kCapacity);
    }
    // One byte past `size` tells a longer input.
    const auto ask = static_cast<std::size_t>(size) + 1;
    if (kCapacity - used_ < ask) {
        if (auto error = flushTo(image)) {
            return error;
        }
    }
    std::size_t got = 0;
    if (auto error = input.read(buffer_.get() + used_, ask, got)) {
        result.readError = error;
        return {};
    }
    // A regular file's read returns less than asked only at its end.
    const auto keep = static_cast<std::size_t>(std::min<std::uint64_t>(got, size));
    used_ += keep;
    result.copied = keep;
    result.more = got > keep;
    return {};
}

std::error_code InputBatch::fill(unsigned char byte, std::uint64_t count, OutputFile& image) {
    if (used_ > 0 && count <= kCapacity - used_) {
        std::fill_n(buffer_.get() + used_, static_cast<std::size_t>(count),
                    static_cast<char>(byte));
        used_ += static_cast<std::size_t>(count);
        return {};
    }
    if (auto error = flushTo(image)) {
        return error;
    }
    return image.fill(byte, count);
}

std::error_code InputBatch::flushTo(OutputFile& image) {
    const std::size_t pending = used_;
    used_ = 0;
    return pending == 0 ? std::error_code{} : image.write(buffer_.get(), pending);
}

} // namespace zd::files

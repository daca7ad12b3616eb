// Small inputs gathered in memory and written to the image in large pieces.
//
// A merge of many small files spends its time in system calls, not in
// bytes: moving each through the kernel's pipe takes two calls of its own.
// Read into one buffer instead, a file of a few KiB costs one read, and the
// image gets one write for many files.
#pragma once

#include "core/files/file_layer.h"
#include "core/files/output_set.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <system_error>

namespace zd::files {

class InputBatch {
  public:
    // Inputs up to this size go through the batch; larger ones are better
    // moved by the kernel (Output::appendFrom).
    static constexpr std::uint64_t kLargestInput = 64 * 1024;
    static constexpr std::size_t kCapacity = 1024 * 1024;

    static bool takes(std::uint64_t size) { return size <= kLargestInput; }

    // Reads exactly `size` bytes of `input` (at most kLargestInput) into the
    // batch, as Output::appendFrom would append them: fewer when its end
    // comes first, and `result.more` when it holds more (that byte is
    // dropped). Writes the batch to `image` first when it has no room left;
    // the result is the error of that write.
    std::error_code take(files::Input& input, std::uint64_t size, OutputFile& image,
                         files::CopyResult& result);
    // Appends `count` copies of `byte` after what the batch holds: into the
    // batch when it holds bytes and has room, else straight to `image`
    // after the batch is written. Small gaps between small inputs so cost
    // no write of their own.
    std::error_code fill(unsigned char byte, std::uint64_t count, OutputFile& image);
    // Writes what the batch holds to `image` and empties it.
    std::error_code flushTo(OutputFile& image);

  private:
    // Made by the first take and not cleared: a merge without small inputs
    // never touches its pages.
    std::unique_ptr<char[]> buffer_;
    std::size_t used_ = 0;
};

} // namespace zd::files

// Copying an input into an output while taking its CRC-32, for a merge that
// writes a manifest: plain reads and writes through one 1 MiB buffer, each
// piece summed between its read and its write, so every byte is read once.
// (bench/RESULTS.md compares the ways; this one stays within 1.5 times the
// kernel's copy, a larger buffer or a second thread does not.)
#pragma once

#include "file_layer.h"

#include <cstdint>
#include <system_error>
#include <vector>

namespace zd {

class OutputFile;

class ChecksumCopy {
  public:
    // As files::Output::appendFrom: exactly `size` bytes of `input` when it
    // holds them, fewer when its end comes first, `result.more` when it
    // holds more (the byte past `size` is not written). `crc` becomes the
    // CRC-32 of the bytes appended.
    std::error_code append(files::Input& input, OutputFile& out, std::uint64_t size,
                           files::CopyResult& result, const files::Output::ChunkFn& onChunk,
                           std::uint32_t& crc);

  private:
    std::vector<unsigned char> buffer_; // made on first use, kept for every later input
};

} // namespace zd

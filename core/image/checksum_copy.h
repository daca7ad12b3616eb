// Copying an input into an output while taking its CRC-32, for a merge that
// writes a manifest. Where the input can be mapped (POSIX), the kernel moves
// the bytes as in a plain merge and the CRC is taken from the input's pages
// where they lie, piece by piece behind the copy; elsewhere each piece of
// the plain read-and-write copy is summed between its read and its write.
// Either way every byte is read once (bench/RESULTS.md compares the ways).
#pragma once

#include "core/files/file_layer.h"

#include <cstdint>
#include <system_error>

namespace zd {

namespace files {
class OutputFile;
}

// As files::Output::appendFrom: exactly `size` bytes of `input` (read from its
// start) when it holds them, fewer when its end comes first, `result.more`
// when it holds more (the byte past `size` is not written). `crc` becomes
// the CRC-32 of the bytes appended.
std::error_code appendSummed(files::Input& input, files::OutputFile& out, std::uint64_t size,
                             files::CopyResult& result, const files::Output::ChunkFn& onChunk,
                             std::uint32_t& crc);

} // namespace zd

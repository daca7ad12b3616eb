// The file layer on Linux: an input's whole blocks shared into the output
// where the file system can (XFS with reflink, btrfs), instead of copied.
// The output then refers to the input's blocks on the disk, which are
// written again only when one of the two files changes them; copying and
// flushing a GiB this way costs a few milliseconds of metadata.
#include "core/files/file_layer.h"

#include <algorithm>
#include <cerrno>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/vfs.h>
#include <unistd.h>

namespace zd::files {
namespace {

// Blocks are shared this many bytes at a time, so that a large input still
// shows progress, can be stopped, and has its CRC taken (for a manifest) a
// piece at a time.
constexpr std::uint64_t kSharePiece = std::uint64_t{16} << 20;

// The output's file system's block size when both positions lie on its
// boundaries, else 0: sharing starts and ends there. The file system would
// refuse other positions too, but btrfs first waits for both files' pending
// writes, so they are never asked for. A position that cannot be told (-1)
// lies on no boundary.
std::uint64_t commonBlock(int out, off_t from, off_t to) {
    struct statfs where {};
    if (::fstatfs(out, &where) != 0) {
        return 0;
    }
    const auto block = static_cast<std::uint64_t>(where.f_bsize);
    const auto onBoundary = [&](off_t at) { return static_cast<std::uint64_t>(at) % block == 0; };
    return onBoundary(from) && onBoundary(to) ? block : 0;
}

} // namespace

std::error_code Output::shareBlocks(Input& input, std::uint64_t size, CopyResult& result,
                                    const ChunkFn& onChunk) {
    const int in = static_cast<int>(input.handle());
    const int out = static_cast<int>(handle_);
    const off_t from = ::lseek(in, 0, SEEK_CUR);
    const off_t to = ::lseek(out, 0, SEEK_CUR);
    const std::uint64_t block = commonBlock(out, from, to);
    if (block == 0) {
        return {};
    }
    const std::uint64_t whole = size - size % block;
    std::error_code stopped;
    while (result.shared < whole) {
        file_clone_range range{};
        range.src_fd = in;
        range.src_offset = static_cast<std::uint64_t>(from) + result.shared;
        range.src_length = std::min(kSharePiece, whole - result.shared);
        range.dest_offset = static_cast<std::uint64_t>(to) + result.shared;
        // Refused: another file system (EXDEV), one that cannot share
        // (EOPNOTSUPP: ext4, tmpfs, XFS without reflink), an input cut
        // short meanwhile (EINVAL). The copy then takes over from here.
        if (::ioctl(out, FICLONERANGE, &range) != 0) {
            break;
        }
        result.shared += range.src_length;
        if (onChunk && !onChunk(result.shared)) {
            stopped = std::make_error_code(std::errc::operation_canceled);
            break;
        }
    }
    result.copied = result.shared;
    // Sharing moves neither file's position; the copy goes on after it.
    for (const auto& [fd, start] : {std::pair{in, from}, {out, to}}) {
        if (::lseek(fd, start + static_cast<off_t>(result.shared), SEEK_SET) < 0) {
            return {errno, std::generic_category()};
        }
    }
    return stopped;
}

} // namespace zd::files

// A small file system made in a loop file and mounted for one test, to try
// what only some file systems do (XFS and btrfs share blocks between files),
// and how much of a file shares its blocks. Linux only, and root only: the
// tests that use it are left out elsewhere and skipped otherwise.
#pragma once
#ifdef __linux__

#include "tests/support/test_files.h"

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <linux/fiemap.h>
#include <linux/fs.h>
#include <sched.h>
#include <string>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <unistd.h>
#include <vector>

namespace zd::test {

class LoopMount {
  public:
    // Makes a file system of `size` bytes with `mkfs` (a command and its
    // options, the loop file appended) in a sparse file inside `dir`, and
    // mounts it at dir/mnt. Why that failed, when it did, is in problem().
    LoopMount(const TempDir& dir, const std::string& mkfs, std::uintmax_t size)
        : image_(dir / "fs.img"), point_(dir / "mnt"), log_(dir / "fs.log") {
        // The process's own copy of the mounts, so that a test killed before
        // its unmount takes its mount (and the loop device) with it.
        if (::geteuid() != 0) {
            problem_ = "needs root to mount a file system";
        } else if (::unshare(CLONE_NEWNS) != 0 ||
                   ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
            problem_ = std::string("cannot have mounts of its own: ") + std::strerror(errno);
        } else {
            makeSparseFile(image_, size);
            std::filesystem::create_directory(pathOf(point_));
            mounted_ = run(mkfs + " '" + image_ + "'") &&
                       run("mount -o loop '" + image_ + "' '" + point_ + "'");
            problem_ = mounted_ ? "" : mkfs + ": " + readFile(log_);
        }
    }
    ~LoopMount() {
        if (mounted_) { // lazily, should something still hold a file there
            (void)run("umount -l '" + point_ + "'");
        }
    }
    LoopMount(const LoopMount&) = delete;
    LoopMount& operator=(const LoopMount&) = delete;

    const std::string& problem() const { return problem_; }
    // A path inside the mounted file system.
    std::string operator/(const std::string& name) const { return point_ + "/" + name; }

  private:
    bool run(const std::string& command) const {
        return std::system((command + " >'" + log_ + "' 2>&1").c_str()) == 0;
    }
    std::string image_, point_, log_, problem_;
    bool mounted_ = false;
};

// Bytes of `path` in extents that its file system marks as shared with
// another file (FIEMAP, up to 256 extents: the tests' files have a few),
// after its pending writes are flushed; -1 when the file system cannot tell.
inline std::int64_t sharedBytes(const std::string& path) {
    constexpr unsigned kExtents = 256;
    std::vector<unsigned char> buffer(sizeof(fiemap) + kExtents * sizeof(fiemap_extent));
    auto* map = reinterpret_cast<fiemap*>(buffer.data());
    map->fm_length = FIEMAP_MAX_OFFSET;
    map->fm_flags = FIEMAP_FLAG_SYNC;
    map->fm_extent_count = kExtents;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    const bool mapped = ::ioctl(fd, FS_IOC_FIEMAP, map) == 0;
    ::close(fd);
    std::int64_t shared = 0;
    for (unsigned i = 0; i < map->fm_mapped_extents; ++i) {
        const fiemap_extent& extent = map->fm_extents[i];
        shared += extent.fe_flags & FIEMAP_EXTENT_SHARED ? std::int64_t(extent.fe_length) : 0;
    }
    return mapped ? shared : -1;
}

} // namespace zd::test

#endif

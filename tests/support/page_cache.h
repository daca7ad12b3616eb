// What the kernel's page cache holds of a file that is not yet on the disk.
// Linux only; the tests that use it are left out elsewhere.
#pragma once
#ifdef __linux__

#include <cstdint>
#include <fcntl.h>
#include <optional>
#include <string>
#include <sys/syscall.h>
#include <sys/vfs.h>
#include <unistd.h>

namespace zd::test {

// Pages of `path` not yet on the disk (dirty or being written), from the
// kernel's page cache (cachestat, Linux 6.5 and later); nothing where the
// kernel cannot say.
inline std::optional<std::uint64_t> pagesNotOnDisk(const std::string& path) {
    // The whole file; then cache, dirty, writeback, evicted, recently evicted.
    std::uint64_t range[2] = {0, 0}, stat[5] = {};
    const int fd = ::open(path.c_str(), O_RDONLY);
    const long done = ::syscall(451 /* cachestat */, fd, range, stat, 0);
    ::close(fd);
    return done == 0 ? std::optional<std::uint64_t>(stat[1] + stat[2]) : std::nullopt;
}

// Whether `folder` lies on tmpfs, which has no disk to flush to.
inline bool onTmpfs(const std::string& folder) {
    struct statfs where {};
    return ::statfs(folder.c_str(), &where) == 0 && where.f_type == 0x01021994;
}

} // namespace zd::test

#endif

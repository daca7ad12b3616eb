// The file layer on POSIX systems (Linux first: inputs are moved into the
// image by splice where the kernel allows it, after their blocks are shared
// where the file system can, file_layer_sharing_posix.cpp).
#include "core/files/file_layer.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csetjmp>
#include <csignal>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

namespace zd::files {
namespace {

std::error_code lastError() {
    return {errno, std::generic_category()};
}

int fdOf(NativeHandle handle) {
    return static_cast<int>(handle);
}

Status statusFrom(const struct stat& info) {
    Status status;
    status.kind = S_ISREG(info.st_mode)   ? Kind::Regular
                  : S_ISDIR(info.st_mode) ? Kind::Directory
                                          : Kind::Other;
    status.size = static_cast<std::uint64_t>(info.st_size);
    status.identity = {static_cast<std::uint64_t>(info.st_dev),
                       static_cast<std::uint64_t>(info.st_ino)};
    return status;
}

// Inputs are moved through a pipe of this size: the image's file offsets
// follow the front area and are rarely page-cache aligned, and the kernel
// writes such ranges far faster in large pieces than in the small ones its
// in-place file copy uses (about 1.6 times, 256 inputs of 4 MiB after a
// 4096-byte front area).
constexpr int kPipeSize = 1 << 20;

// A map's page that the file no longer holds (another program shortened
// it) or that the disk cannot read raises SIGBUS when touched. While a
// visit runs, the handler sends such a fault on the visited range back to
// the visit, which then fails; any other SIGBUS goes to the action that was
// there before, by default the end of the process.
struct MapVisit {
    sigjmp_buf resume;
    const unsigned char* begin;
    const unsigned char* end;
};
thread_local MapVisit* activeVisit = nullptr;
struct sigaction earlierBusAction;

void onBusError(int signal, siginfo_t* info, void* context) {
    MapVisit* visit = activeVisit;
    const auto* address = static_cast<const unsigned char*>(info->si_addr);
    if (visit && address >= visit->begin && address < visit->end) {
        siglongjmp(visit->resume, 1);
    }
    ::sigaction(SIGBUS, &earlierBusAction, nullptr);
    if (info->si_code <= 0) {
        ::raise(signal); // sent, not a fault: it would not come again
    }
    static_cast<void>(context); // a fault comes again on return, to that action
}

// Hands the mapped bytes to `visit`; io_error when touching them faulted.
std::error_code visitGuarded(const unsigned char* bytes, std::size_t size, Input::VisitFn visit,
                             void* context) {
    static const bool installed = [] {
        struct sigaction action {};
        action.sa_sigaction = onBusError;
        action.sa_flags = SA_SIGINFO;
        sigemptyset(&action.sa_mask);
        return ::sigaction(SIGBUS, &action, &earlierBusAction) == 0;
    }();
    if (!installed) {
        return std::make_error_code(std::errc::not_supported);
    }
    MapVisit guard{{}, bytes, bytes + size};
    if (sigsetjmp(guard.resume, 1) != 0) {
        activeVisit = nullptr;
        return std::make_error_code(std::errc::io_error);
    }
    activeVisit = &guard;
    std::atomic_signal_fence(std::memory_order_seq_cst);
    visit(context, bytes, size);
    std::atomic_signal_fence(std::memory_order_seq_cst);
    activeVisit = nullptr;
    return {};
}

// Finishes an append of which `result` holds the part done: `copy` gets
// the size left, a result of its own and a chunk hook that keeps counting
// from the input's start.
template <typename Copy>
std::error_code finishAppend(std::uint64_t size, CopyResult& result, const Output::ChunkFn& onChunk,
                             const Copy& copy) {
    const std::uint64_t before = result.copied;
    CopyResult rest;
    const std::error_code error = copy(size - before, rest, [&](std::uint64_t soFar) {
        return !onChunk || onChunk(before + soFar);
    });
    result.copied += rest.copied;
    result.more = rest.more;
    result.readError = rest.readError;
    return error;
}

} // namespace

std::error_code Input::open(const std::string& path) {
    close();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        return lastError();
    }
    handle_ = fd;
    return {};
}

std::error_code Input::status(Status& out) const {
    struct stat info {};
    if (::fstat(fdOf(handle_), &info) != 0) {
        return lastError();
    }
    out = statusFrom(info);
    return {};
}

std::error_code Input::read(void* buffer, std::size_t size, std::size_t& got) {
    for (;;) {
        const ssize_t n = ::read(fdOf(handle_), buffer, size);
        if (n >= 0) {
            got = static_cast<std::size_t>(n);
            return {};
        }
        if (errno != EINTR) {
            got = 0;
            return lastError();
        }
    }
}

std::error_code Input::visitInPlace(std::uint64_t offset, std::size_t size, VisitFn visit,
                                    void* context) const {
    if (size == 0) {
        return {};
    }
    static const auto pageSize = static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE));
    const std::uint64_t start = offset - offset % pageSize;
    const auto lead = static_cast<std::size_t>(offset - start);
    void* map = ::mmap(nullptr, lead + size, PROT_READ, MAP_SHARED, fdOf(handle_),
                       static_cast<off_t>(start));
    if (map == MAP_FAILED) {
        return std::make_error_code(std::errc::not_supported);
    }
    const auto* bytes = static_cast<const unsigned char*>(map) + lead;
    const std::error_code error = visitGuarded(bytes, size, visit, context);
    ::munmap(map, lead + size);
    return error;
}

void Input::close() {
    if (handle_ != kNoHandle) {
        ::close(fdOf(handle_));
        handle_ = kNoHandle;
    }
}

std::error_code Output::createNew(const std::string& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        return lastError();
    }
    // The file is new, so nobody else holds its lock.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const std::error_code error = lastError();
        ::unlink(path.c_str());
        ::close(fd);
        return error;
    }
    handle_ = fd;
    return {};
}

std::error_code Output::copyAccessFrom(const std::string& earlier) {
    struct stat info {};
    if (::stat(earlier.c_str(), &info) != 0) {
        return lastError();
    }
    const int fd = fdOf(handle_);
    if (info.st_uid != ::geteuid() || info.st_gid != ::getegid()) {
        // Root may give the owner back, others at most the group: a refusal
        // leaves the writer's owner and is no failure.
        [[maybe_unused]] const int refused = ::fchown(fd, info.st_uid, info.st_gid);
    }
    // After the owner: a change of owner clears the set-id bits.
    if (::fchmod(fd, info.st_mode & 07777) != 0) {
        return lastError();
    }
    return {};
}

std::error_code Output::sync() {
    if (::fdatasync(fdOf(handle_)) != 0) {
        return lastError();
    }
    return {};
}

std::error_code Output::write(const void* data, std::size_t size) {
    const auto* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t written = ::write(fdOf(handle_), bytes, size);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return lastError();
        }
        bytes += written;
        size -= static_cast<std::size_t>(written);
    }
    return {};
}

std::error_code Output::appendFrom(Input& input, std::uint64_t size, CopyResult& result,
                                   const ChunkFn& onChunk) {
    result = {};
    if (auto error = shareBlocks(input, size, result, onChunk)) {
        return error;
    }
    return finishAppend(size, result, onChunk,
                        [&](std::uint64_t left, CopyResult& rest, const ChunkFn& counted) {
                            return moveThroughPipe(input, left, rest, counted);
                        });
}

std::error_code Output::moveThroughPipe(Input& input, std::uint64_t size, CopyResult& result,
                                        const ChunkFn& onChunk) {
    result = {};
    if (!openPipe()) {
        return appendByReading(input, size, result, onChunk);
    }
    const int in = fdOf(input.handle());
    for (;;) {
        // One byte past `size` on the last piece tells a longer input.
        const std::uint64_t left = size - result.copied;
        const auto ask = static_cast<std::size_t>(std::min<std::uint64_t>(pipeSize_, left + 1));
        const ssize_t got = ::splice(in, nullptr, fdOf(pipeWrite_), nullptr, ask, SPLICE_F_MOVE);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            // Either the input cannot be spliced or reading it failed, and
            // splice does not say which: plain reads finish the copy or tell
            // the read error. The pipe is empty here.
            return finishAppend(size, result, onChunk,
                                [&](std::uint64_t rest, CopyResult& read, const ChunkFn& counted) {
                                    return appendByReading(input, rest, read, counted);
                                });
        }
        const auto moved = static_cast<std::size_t>(got);
        const std::size_t keep = static_cast<std::size_t>(std::min<std::uint64_t>(moved, left));
        for (std::size_t out = keep; out > 0;) {
            const ssize_t put =
                ::splice(fdOf(pipeRead_), nullptr, fdOf(handle_), nullptr, out, SPLICE_F_MOVE);
            if (put < 0 && errno == EINTR) {
                continue;
            }
            if (put <= 0) {
                const std::error_code error =
                    put < 0 ? lastError() : std::make_error_code(std::errc::io_error);
                closePipe(); // it may still hold bytes of this input
                return error;
            }
            out -= static_cast<std::size_t>(put);
        }
        result.copied += keep;
        if (moved > keep) {
            result.more = true;
            closePipe(); // the byte past `size` is still in it
            return {};
        }
        if (moved < ask) {
            return {}; // the input's end
        }
        if (onChunk && !onChunk(result.copied)) {
            return std::make_error_code(std::errc::operation_canceled);
        }
    }
}

bool Output::openPipe() {
    if (pipeRead_ != kNoHandle) {
        return true;
    }
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) {
        return false;
    }
    pipeRead_ = ends[0];
    pipeWrite_ = ends[1];
    // A smaller pipe (the system's limit on pipe memory reached) still works.
    int size = ::fcntl(ends[1], F_SETPIPE_SZ, kPipeSize);
    if (size <= 0) {
        size = ::fcntl(ends[1], F_GETPIPE_SZ);
    }
    if (size <= 0) {
        closePipe();
        return false;
    }
    pipeSize_ = static_cast<std::size_t>(size);
    return true;
}

void Output::closePipe() {
    for (NativeHandle* end : {&pipeRead_, &pipeWrite_}) {
        if (*end != kNoHandle) {
            ::close(fdOf(*end));
            *end = kNoHandle;
        }
    }
    pipeSize_ = 0;
}

std::error_code Output::close() {
    closePipe();
    if (handle_ == kNoHandle) {
        return {};
    }
    const int fd = fdOf(handle_);
    handle_ = kNoHandle;
    if (::close(fd) != 0) {
        return lastError();
    }
    return {};
}

std::error_code statusOf(const std::string& path, Status& out) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        return lastError();
    }
    out = statusFrom(info);
    return {};
}

std::error_code checkWritable(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        return lastError();
    }
    if ((info.st_mode & 0222) == 0) {
        return std::make_error_code(std::errc::permission_denied);
    }
    if (::access(path.c_str(), W_OK) != 0) {
        return lastError();
    }
    return {};
}

std::error_code rename(const std::string& from, const std::string& to) {
    if (::rename(from.c_str(), to.c_str()) != 0) {
        return lastError();
    }
    return {};
}

std::error_code remove(const std::string& path) {
    if (::unlink(path.c_str()) != 0) {
        return lastError();
    }
    return {};
}

std::error_code makeFolder(const std::string& path) {
    if (::mkdir(path.c_str(), 0777) != 0) {
        return lastError();
    }
    return {};
}

std::error_code removeFolder(const std::string& path) {
    if (::rmdir(path.c_str()) != 0) {
        return lastError();
    }
    return {};
}

std::error_code hardLink(const std::string& existing, const std::string& newName) {
    if (::link(existing.c_str(), newName.c_str()) != 0) {
        return lastError();
    }
    return {};
}

std::error_code removeUnowned(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW);
    if (fd < 0) {
        return lastError();
    }
    std::error_code error;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        error = errno == EWOULDBLOCK ? std::make_error_code(std::errc::device_or_resource_busy)
                                     : lastError();
    } else if (::unlink(path.c_str()) != 0) {
        error = lastError();
    }
    ::close(fd);
    return error;
}

std::error_code syncFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return lastError();
    }
    const std::error_code error = ::fsync(fd) == 0 ? std::error_code{} : lastError();
    ::close(fd);
    return error;
}

std::error_code resolveLinks(const std::string& path, std::string& target) {
    std::string current = path;
    // As many links as the kernel itself follows in one path.
    for (int hop = 0; hop < 40; ++hop) {
        struct stat info {};
        if (::lstat(current.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) {
            target = std::move(current); // a missing file is the one to create
            return {};
        }
        std::vector<char> text(static_cast<std::size_t>(info.st_size > 0 ? info.st_size : 255) + 1);
        const ssize_t length = ::readlink(current.c_str(), text.data(), text.size());
        if (length < 0) {
            return lastError();
        }
        if (static_cast<std::size_t>(length) == text.size()) {
            continue; // the link changed meanwhile; read it again
        }
        const std::string_view link(text.data(), static_cast<std::size_t>(length));
        if (!link.empty() && link.front() == '/') {
            current = std::string(link);
        } else {
            const std::size_t slash = current.rfind('/');
            current = (slash == std::string::npos ? std::string{} : current.substr(0, slash + 1)) +
                      std::string(link);
        }
    }
    return std::make_error_code(std::errc::too_many_symbolic_link_levels);
}

std::error_code NamedLock::tryLock(const std::string& key) {
    unlock();
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return lastError();
    }
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    // An abstract name: it starts with a zero byte and lives only as long as
    // the socket, so the system drops it with the process.
    const std::string name = std::string("zadodaziderav-") + key;
    const std::size_t length = std::min(name.size(), sizeof address.sun_path - 1);
    std::memcpy(address.sun_path + 1, name.data(), length);
    const auto size = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + length);
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), size) != 0) {
        const std::error_code error = errno == EADDRINUSE
                                          ? std::make_error_code(std::errc::device_or_resource_busy)
                                          : lastError();
        ::close(fd);
        return error;
    }
    handle_ = fd;
    return {};
}

void NamedLock::unlock() {
    if (handle_ != kNoHandle) {
        ::close(fdOf(handle_));
        handle_ = kNoHandle;
    }
}

std::error_code listFolder(const std::string& folder, std::vector<FolderEntry>& out) {
    out.clear();
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) {
        return lastError();
    }
    const int dirFd = ::dirfd(dir);
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(dir);
        if (!entry) {
            break;
        }
        const std::string_view name = entry->d_name;
        if (name == "." || name == "..") {
            continue;
        }
        FolderEntry item;
        item.name = std::string(name);
        struct stat info {};
        if (entry->d_type == DT_REG) {
            item.kind = Kind::Regular;
        } else if (entry->d_type == DT_DIR) {
            item.kind = Kind::Directory;
        } else if (entry->d_type != DT_LNK && entry->d_type != DT_UNKNOWN) {
            item.kind = Kind::Other;
        } else if (::fstatat(dirFd, entry->d_name, &info, 0) == 0) {
            item.kind = statusFrom(info).kind; // a link, followed, or a system that did not say
        } else {
            item.broken = true; // a link whose target is gone, or an entry gone meanwhile
        }
        out.push_back(std::move(item));
    }
    const std::error_code error = errno ? lastError() : std::error_code{};
    ::closedir(dir);
    if (error) {
        out.clear();
    }
    return error;
}

std::string longPath(const std::string& path) {
    return path;
}

std::string absolutePath(const std::string& path) {
    std::string full;
    if (path.empty() || path.front() != '/') {
        std::vector<char> buffer(4096);
        while (!::getcwd(buffer.data(), buffer.size())) {
            if (errno != ERANGE) {
                return path;
            }
            buffer.resize(buffer.size() * 2);
        }
        full = buffer.data();
        full += '/';
    }
    full += path;
    // Drop "." parts and doubled separators.
    std::string clean;
    std::size_t start = 0;
    while (start <= full.size()) {
        std::size_t end = full.find('/', start);
        if (end == std::string::npos) {
            end = full.size();
        }
        const std::string_view part(full.data() + start, end - start);
        if (!part.empty() && part != ".") {
            clean += '/';
            clean += part;
        }
        start = end + 1;
    }
    return clean.empty() ? "/" : clean;
}

std::uint64_t processId() {
    return static_cast<std::uint64_t>(::getpid());
}

std::string temporaryFolder() {
    const char* folder = std::getenv("TMPDIR");
    return folder && *folder ? folder : "/tmp";
}

} // namespace zd::files

#include "output_file.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace zd {
namespace {

std::error_code lastError() {
    return {errno, std::generic_category()};
}

// A file name holds at most 255 bytes, and the temporary adds up to about 40
// to the target's name, so a long name is shortened here (never inside a
// multi-byte character) to keep every valid target name writable.
constexpr std::size_t kTemporaryNameRoom = 200;

std::filesystem::path temporaryNameFor(const std::filesystem::path& target, unsigned attempt) {
    static std::atomic<unsigned> counter{0};
    std::string base = target.filename().string();
    if (base.size() > kTemporaryNameRoom) {
        base.resize(kTemporaryNameRoom);
        while (!base.empty() && static_cast<unsigned char>(base.back()) >= 0x80) {
            base.pop_back();
        }
    }
    const std::string name = "." + base + "." + std::to_string(::getpid()) + "-" +
                             std::to_string(counter++) + "-" + std::to_string(attempt) + ".part";
    return target.parent_path() / name;
}

// Inputs are moved through a pipe of this size: the image's file offsets
// follow the front area and are rarely page-cache aligned, and the kernel
// writes such ranges far faster in large pieces than in the small ones its
// in-place file copy uses (about 1.6 times, 256 inputs of 4 MiB after a
// 4096-byte front area).
constexpr int kPipeSize = 1 << 20;
constexpr std::size_t kReadBuffer = std::size_t{1} << 20;

} // namespace

OutputFile::OutputFile(std::filesystem::path target) : target_(std::move(target)) {}

OutputFile::~OutputFile() {
    if (!committed_) {
        discard();
    }
}

std::error_code OutputFile::create() {
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
        std::filesystem::path candidate = temporaryNameFor(target_, attempt);
        const int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            fd_ = fd;
            temporary_ = std::move(candidate);
            return {};
        }
        if (errno != EEXIST) {
            return lastError();
        }
    }
    return std::make_error_code(std::errc::file_exists);
}

std::error_code OutputFile::write(const void* data, std::size_t size) {
    const auto* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t written = ::write(fd_, bytes, size);
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

std::error_code OutputFile::fill(unsigned char byte, std::uint64_t count) {
    const std::vector<unsigned char> block(
        static_cast<std::size_t>(std::min<std::uint64_t>(count, 64 * 1024)), byte);
    while (count > 0) {
        const auto piece = static_cast<std::size_t>(std::min<std::uint64_t>(count, block.size()));
        if (auto error = write(block.data(), piece)) {
            return error;
        }
        count -= piece;
    }
    return {};
}

std::error_code OutputFile::appendFrom(int inputFd, std::uint64_t& copied,
                                       std::error_code& readError, const ChunkFn& onChunk) {
    copied = 0;
    readError.clear();
    if (!openPipe()) {
        return appendByReading(inputFd, copied, readError, onChunk);
    }
    return appendBySplicing(inputFd, copied, readError, onChunk);
}

std::error_code OutputFile::appendBySplicing(int inputFd, std::uint64_t& copied,
                                             std::error_code& readError, const ChunkFn& onChunk) {
    for (;;) {
        const ssize_t got =
            ::splice(inputFd, nullptr, pipeWrite_, nullptr, pipeSize_, SPLICE_F_MOVE);
        if (got == 0) {
            return {};
        }
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            // Either the input cannot be spliced or reading it failed, and
            // splice does not say which: plain reads finish the copy or tell
            // the read error. The pipe is empty here.
            return appendByReading(inputFd, copied, readError, onChunk);
        }
        for (auto left = static_cast<std::size_t>(got); left > 0;) {
            const ssize_t put = ::splice(pipeRead_, nullptr, fd_, nullptr, left, SPLICE_F_MOVE);
            if (put < 0 && errno == EINTR) {
                continue;
            }
            if (put <= 0) {
                const std::error_code error =
                    put < 0 ? lastError() : std::make_error_code(std::errc::io_error);
                closePipe(); // it may still hold bytes of this input
                return error;
            }
            left -= static_cast<std::size_t>(put);
        }
        copied += static_cast<std::uint64_t>(got);
        if (onChunk && !onChunk(copied)) {
            return std::make_error_code(std::errc::operation_canceled);
        }
    }
}

bool OutputFile::openPipe() {
    if (pipeRead_ >= 0) {
        return true;
    }
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) {
        return false;
    }
    pipeRead_ = ends[0];
    pipeWrite_ = ends[1];
    // A smaller pipe (the system's limit on pipe memory reached) still works.
    int size = ::fcntl(pipeWrite_, F_SETPIPE_SZ, kPipeSize);
    if (size <= 0) {
        size = ::fcntl(pipeWrite_, F_GETPIPE_SZ);
    }
    if (size <= 0) {
        closePipe();
        return false;
    }
    pipeSize_ = static_cast<std::size_t>(size);
    return true;
}

void OutputFile::closePipe() {
    for (int* end : {&pipeRead_, &pipeWrite_}) {
        if (*end >= 0) {
            ::close(*end);
            *end = -1;
        }
    }
    pipeSize_ = 0;
}

std::error_code OutputFile::appendByReading(int inputFd, std::uint64_t& copied,
                                            std::error_code& readError, const ChunkFn& onChunk) {
    std::vector<char> buffer(kReadBuffer);
    for (;;) {
        const ssize_t got = ::read(inputFd, buffer.data(), buffer.size());
        if (got == 0) {
            return {};
        }
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            readError = lastError();
            return {};
        }
        if (auto error = write(buffer.data(), static_cast<std::size_t>(got))) {
            return error;
        }
        copied += static_cast<std::uint64_t>(got);
        if (onChunk && !onChunk(copied)) {
            return std::make_error_code(std::errc::operation_canceled);
        }
    }
}

std::error_code OutputFile::commit() {
    closePipe();
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) {
        const std::error_code error = lastError();
        discard();
        return error;
    }
    if (::rename(temporary_.c_str(), target_.c_str()) != 0) {
        const std::error_code error = lastError();
        discard();
        return error;
    }
    committed_ = true;
    return {};
}

void OutputFile::discard() {
    closePipe();
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (!temporary_.empty()) {
        ::unlink(temporary_.c_str());
        temporary_.clear();
    }
}

std::error_code writeWholeFile(const std::filesystem::path& target, std::string_view text) {
    OutputFile file(target);
    if (auto error = file.create()) {
        return error;
    }
    if (auto error = file.write(text)) {
        return error;
    }
    return file.commit();
}

} // namespace zd

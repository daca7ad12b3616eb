#include "output_file.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace zd {
namespace {

std::error_code lastError() { return {errno, std::generic_category()}; }

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
    const std::string name = "." + base + "." +
                             std::to_string(::getpid()) + "-" + std::to_string(counter++) +
                             "-" + std::to_string(attempt) + ".part";
    return target.parent_path() / name;
}

// The kernel copies in place, but in bounded chunks so that progress can be
// reported and a stop request heard.
constexpr std::size_t kCopyChunk = std::size_t{8} << 20;
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
    for (;;) {
        const ssize_t moved =
            ::copy_file_range(inputFd, nullptr, fd_, nullptr, kCopyChunk, 0);
        if (moved == 0) {
            // Some file systems report 0 for files they cannot copy in place
            // (pseudo files among them); reading tells a true end from that.
            return copied == 0 ? appendByReading(inputFd, copied, readError, onChunk)
                               : std::error_code{};
        }
        if (moved < 0) {
            if (errno == EINTR) {
                continue;
            }
            // Either the kernel cannot copy between these two files, or one
            // side failed and copy_file_range does not say which: plain reads
            // and writes finish the copy or tell a read error from a write
            // error.
            return appendByReading(inputFd, copied, readError, onChunk);
        }
        copied += static_cast<std::uint64_t>(moved);
        if (onChunk && !onChunk(copied)) {
            return std::make_error_code(std::errc::operation_canceled);
        }
    }
}

std::error_code OutputFile::appendByReading(int inputFd, std::uint64_t& copied,
                                            std::error_code& readError,
                                            const ChunkFn& onChunk) {
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

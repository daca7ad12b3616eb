// A file written under a temporary name beside its target and renamed into
// place only when complete, so a failed or stopped write never leaves a
// partial file under the final name and never touches an earlier one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <system_error>

namespace zd {

class OutputFile {
  public:
    explicit OutputFile(std::filesystem::path target);
    ~OutputFile(); // removes the temporary unless committed
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Creates the temporary in the target's folder.
    std::error_code create();
    std::error_code write(const void* data, std::size_t size);
    std::error_code write(std::string_view text) { return write(text.data(), text.size()); }
    // Writes `count` copies of `byte`.
    std::error_code fill(unsigned char byte, std::uint64_t count);

    // Called after each chunk with the bytes copied so far; returning false
    // stops the copy with `std::errc::operation_canceled`.
    using ChunkFn = std::function<bool(std::uint64_t copiedSoFar)>;
    // Appends everything `inputFd` holds from its current position to its
    // end, moved by the kernel through a pipe where it can and by plain reads
    // and writes where it cannot. `copied` is set to the bytes appended. Errors
    // while reading come back in `readError`, errors while writing as the
    // result.
    std::error_code appendFrom(int inputFd, std::uint64_t& copied, std::error_code& readError,
                               const ChunkFn& onChunk);

    // Closes the temporary and renames it to the target.
    std::error_code commit();
    // Closes and removes the temporary now.
    void discard();

    const std::filesystem::path& target() const { return target_; }

  private:
    std::error_code appendBySplicing(int inputFd, std::uint64_t& copied, std::error_code& readError,
                                     const ChunkFn& onChunk);
    std::error_code appendByReading(int inputFd, std::uint64_t& copied, std::error_code& readError,
                                    const ChunkFn& onChunk);

    std::filesystem::path target_;
    std::filesystem::path temporary_;
    int fd_ = -1;
    // The pipe the kernel moves input pages through, made on first use and
    // kept for every later input.
    int pipeRead_ = -1;
    int pipeWrite_ = -1;
    std::size_t pipeSize_ = 0;
    bool openPipe();
    void closePipe();
    bool committed_ = false;
};

// Writes `text` to `target` through an OutputFile.
std::error_code writeWholeFile(const std::filesystem::path& target, std::string_view text);

} // namespace zd

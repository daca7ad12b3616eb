// The one place the program asks the system about files. Everything above
// it (core, intake, the command line) is the same on every system; below it
// there is a POSIX side and a Win32 side.
//
// Paths cross this layer as UTF-8 text on every system. The Win32 side
// widens them to UTF-16 itself; nothing above it builds a
// std::filesystem::path from a UTF-8 string, which MinGW would widen byte by
// byte. Every file is opened in binary mode and is not inherited by child
// processes. Errors come back as std::error_code: errno values in the
// generic category on POSIX, GetLastError values in the system category on
// Win32.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace zd::files {

enum class Kind { Regular, Directory, Other };

// What makes a file itself, whatever name it is reached by: device and inode
// on POSIX, volume serial number and file index on Win32.
struct Identity {
    std::uint64_t volume = 0;
    std::uint64_t index = 0;
    bool operator==(const Identity&) const = default;
};

struct Status {
    Kind kind = Kind::Other;
    std::uint64_t size = 0; // bytes, for a regular file
    Identity identity;
};

// A system handle: a descriptor on POSIX, a HANDLE on Win32; -1 when closed
// (INVALID_HANDLE_VALUE is -1 as well).
using NativeHandle = std::intptr_t;
inline constexpr NativeHandle kNoHandle = -1;

// A file open for reading. Opening never waits (a pipe or a device named as
// an input does not block); on Win32 others may read, and delete or rename,
// the file meanwhile.
class Input {
  public:
    Input() = default;
    ~Input() { close(); }
    Input(Input&& other) noexcept : handle_(other.handle_) { other.handle_ = kNoHandle; }
    Input& operator=(Input&& other) noexcept;
    Input(const Input&) = delete;
    Input& operator=(const Input&) = delete;

    std::error_code open(const std::string& path);
    // Kind, size and identity of the open file itself, not of whatever its
    // name leads to now.
    std::error_code status(Status& out) const;
    // Reads up to `size` bytes; `got` is 0 at the end of the file.
    std::error_code read(void* buffer, std::size_t size, std::size_t& got);
    void close();
    bool isOpen() const { return handle_ != kNoHandle; }
    NativeHandle handle() const { return handle_; }

  private:
    NativeHandle handle_ = kNoHandle;
};

// A file open for writing, created new.
class Output {
  public:
    Output() = default;
    ~Output() { close(); }
    Output(const Output&) = delete;
    Output& operator=(const Output&) = delete;

    // Creates `path`; fails with std::errc::file_exists when it is there.
    std::error_code createNew(const std::string& path);
    std::error_code write(const void* data, std::size_t size);

    // Called after each chunk with the bytes copied so far; returning false
    // stops the copy with std::errc::operation_canceled.
    using ChunkFn = std::function<bool(std::uint64_t copiedSoFar)>;
    // Appends what `input` holds from its position to its end: on Linux
    // moved by the kernel through a pipe where it can, elsewhere by plain
    // reads and writes of a large buffer. `copied` is set to the bytes
    // appended. Errors while reading come back in `readError`, errors while
    // writing as the result.
    std::error_code appendFrom(Input& input, std::uint64_t& copied, std::error_code& readError,
                               const ChunkFn& onChunk);

    // Closes the file; the result tells whether everything written reached it.
    std::error_code close();
    bool isOpen() const { return handle_ != kNoHandle; }

  private:
    std::error_code appendByReading(Input& input, std::uint64_t& copied, std::error_code& readError,
                                    const ChunkFn& onChunk);

    NativeHandle handle_ = kNoHandle;
    // POSIX only: the pipe the kernel moves input pages through, made on
    // first use and kept for every later input.
    NativeHandle pipeRead_ = kNoHandle;
    NativeHandle pipeWrite_ = kNoHandle;
    std::size_t pipeSize_ = 0;
    bool openPipe();
    void closePipe();
};

// Kind, size and identity of what `path` names, links followed.
std::error_code statusOf(const std::string& path, Status& out);
// Whether the file at `path` may be opened for reading by this process.
std::error_code checkReadable(const std::string& path);
// Renames `from` to `to`, replacing a file of that name.
std::error_code rename(const std::string& from, const std::string& to);
std::error_code remove(const std::string& path);

struct FolderEntry {
    std::string name;
    // What the entry is, links followed; a link whose target is gone is
    // `broken` and counts as Other.
    Kind kind = Kind::Other;
    bool broken = false;
};
// The entries directly in `folder`, "." and ".." left out, in the order the
// system gives them.
std::error_code listFolder(const std::string& folder, std::vector<FolderEntry>& out);

// `path` made absolute against the working folder, without "." parts and
// doubled separators. ".." stays: after a link it leads out of the link's
// target, which no text rule can know.
std::string absolutePath(const std::string& path);

// The number the system knows this process by.
std::uint64_t processId();

#ifdef _WIN32
inline constexpr bool kWin32 = true;
#else
inline constexpr bool kWin32 = false;
#endif

// Whether `c` ends a folder name in a path: "/" everywhere, "\" too on Win32.
constexpr bool isSeparator(char c) {
    return c == '/' || (kWin32 && c == '\\');
}
// The separator the system writes between a folder and a name.
inline constexpr char kSeparator = kWin32 ? '\\' : '/';
// The position of the last separator in `path`, or npos.
constexpr std::size_t lastSeparator(std::string_view path) {
    return kWin32 ? path.find_last_of("/\\") : path.rfind('/');
}

} // namespace zd::files

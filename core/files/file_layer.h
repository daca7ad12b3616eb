// The files wing (core/files/): the only wing that makes system calls; it
// uses nothing else of the project, and its code is in namespace zd::files.
//   file_layer.h    the file layer below (a POSIX and a Win32 side)
//   file_errors.h   its own error codes beside the system's
//   file_reading.h  opening regular files only, reading small ones whole
//   output_set.h    outputs written all or nothing, replacing earlier files
//   staged_files.h  new files written all or nothing, replacing none
//   progress.h      KeepGoing, how long work tells its progress and stops
//   child_process.h another program run, its output read as it comes
//   scratch_folder.h a folder for the files handed to it, thrown away after
//   temporary_names.h, input_batch.h, path_text.h, utf16_text.h: their
//   temporaries' names, the batch of small inputs, path text, and UTF-16
//   text for Win32
//
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
// Win32, except those that callers compare with std::errc (a missing file,
// an existing one, access denied), which come back as those.
#pragma once

#include "core/files/path_text.h"

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
    Input& operator=(Input&& other) noexcept {
        if (this != &other) {
            close();
            handle_ = other.handle_;
            other.handle_ = kNoHandle;
        }
        return *this;
    }
    Input(const Input&) = delete;
    Input& operator=(const Input&) = delete;

    std::error_code open(const std::string& path);
    // Kind, size and identity of the open file itself, not of whatever its
    // name leads to now.
    std::error_code status(Status& out) const;
    // Reads up to `size` bytes; `got` is 0 at the end of the file.
    std::error_code read(void* buffer, std::size_t size, std::size_t& got);
    // Hands `size` bytes of the file from `offset` to `visit` where they lie,
    // without copying them: POSIX maps just that range read-only. Bytes that
    // another program cuts off the file meanwhile, or that the disk cannot
    // give, end the visit with std::errc::io_error instead of the bus error a
    // plain map would raise; so `visit` may be left half-way and must not
    // throw, allocate or take a lock. Fails with std::errc::not_supported
    // where the file cannot be mapped (always on Win32): the caller then
    // reads the bytes.
    using VisitFn = void (*)(void* context, const unsigned char* bytes, std::size_t size);
    std::error_code visitInPlace(std::uint64_t offset, std::size_t size, VisitFn visit,
                                 void* context) const;
    void close();
    NativeHandle handle() const { return handle_; }

  private:
    NativeHandle handle_ = kNoHandle;
};

// What one append copied; see Output::appendFrom.
struct CopyResult {
    std::uint64_t copied = 0; // bytes appended, at most the size asked for
    // Of those, the bytes whose blocks the output shares with the input
    // instead of holding a copy (see Output::appendFrom).
    std::uint64_t shared = 0;
    bool more = false; // the input holds more than the size asked for
    std::error_code readError;
};

// A file open for writing, created new.
class Output {
  public:
    Output() = default;
    ~Output() { close(); }
    Output(const Output&) = delete;
    Output& operator=(const Output&) = delete;

    // Creates `path`; fails with std::errc::file_exists when it is there.
    // Others may read it meanwhile (a companion output reads the finished
    // image through its own Input). The new file is owned by this process
    // until it is closed, so that removeUnowned leaves it alone: POSIX holds
    // an exclusive flock on it; Win32 opens it with FILE_SHARE_READ but
    // without FILE_SHARE_DELETE, so nobody can delete it meanwhile.
    std::error_code createNew(const std::string& path);
    // Gives the file the access of the existing file `earlier`, which it is
    // to replace. POSIX: its permission bits, and its owner and group where
    // the system lets this process set them (failures of those two are not
    // errors). Win32: nothing to do, the new file takes its folder's
    // inherited access (a read-only earlier file has been refused before).
    std::error_code copyAccessFrom(const std::string& earlier);
    std::error_code write(const void* data, std::size_t size);

    // Called after each chunk with the bytes copied so far; returning false
    // stops the copy with std::errc::operation_canceled.
    using ChunkFn = std::function<bool(std::uint64_t copiedSoFar)>;
    // Appends exactly `size` bytes of `input` from its position when it holds
    // them: fewer when its end comes first. To tell whether the input holds
    // more, the last read asks for one byte past `size`; if that byte comes,
    // `result.more` is set and the byte is not written. A read that returns
    // less than it asked for counts as the end of the input (a regular
    // file's reads do so only there). On Linux, where the output's file
    // system can share blocks between files (XFS with reflink, btrfs) and
    // both files' positions fall on its block boundaries, the input's whole
    // blocks are shared into the output (FICLONERANGE) instead of copied, so
    // that neither the copy nor a later sync() writes their bytes again; what
    // is left (a tail shorter than a block, or all of an input the file
    // system refuses to share) is moved by the kernel through a pipe where it
    // can. Elsewhere the bytes are copied by plain reads and writes of a
    // large buffer. Errors while reading come back in `result.readError`,
    // errors while writing as the result.
    std::error_code appendFrom(Input& input, std::uint64_t size, CopyResult& result,
                               const ChunkFn& onChunk);
    // As appendFrom, always by plain reads and writes of a 1 MiB buffer kept
    // for every later call. `onBytes`, when given, sees each piece between
    // its read and its write.
    using BytesFn = std::function<void(const unsigned char* bytes, std::size_t size)>;
    std::error_code appendByReading(Input& input, std::uint64_t size, CopyResult& result,
                                    const ChunkFn& onChunk, const BytesFn& onBytes = {});

    // Flushes what was written to stable storage, so that it survives a
    // power cut: POSIX fdatasync, Win32 FlushFileBuffers.
    std::error_code sync();
    // Closes the file; the result tells whether everything written reached it.
    std::error_code close();

  private:
    NativeHandle handle_ = kNoHandle;
    std::vector<unsigned char> buffer_; // for appendByReading, made on first use
    // POSIX only: the pipe the kernel moves input pages through, made on
    // first use and kept for every later input.
    NativeHandle pipeRead_ = kNoHandle;
    NativeHandle pipeWrite_ = kNoHandle;
    std::size_t pipeSize_ = 0;
    bool openPipe();
    void closePipe();
    // POSIX only, the two ways of appendFrom: sharing the input's whole
    // blocks (none when the file system refuses), then moving the rest.
    std::error_code shareBlocks(Input& input, std::uint64_t size, CopyResult& result,
                                const ChunkFn& onChunk);
    std::error_code moveThroughPipe(Input& input, std::uint64_t size, CopyResult& result,
                                    const ChunkFn& onChunk);
};

// A lock that at most one holder has at a time for each key, also across
// processes, and that the system releases however its process ends (killed
// included), so it never goes stale. Nothing is written to disk.
// POSIX (Linux): a Unix socket bound to the abstract name
// "\0zadodaziderav-" + key. Win32: a named mutex "Local\\zadodaziderav-" +
// key, created with CreateMutexW; ERROR_ALREADY_EXISTS means taken (the handle
// is then closed again).
class NamedLock {
  public:
    NamedLock() = default;
    ~NamedLock() { unlock(); }
    NamedLock(const NamedLock&) = delete;
    NamedLock& operator=(const NamedLock&) = delete;

    // Takes the lock for `key` (ASCII letters, digits and '-', at most 64
    // bytes) without waiting; fails with std::errc::device_or_resource_busy
    // while another holder, in this process or another, has it.
    std::error_code tryLock(const std::string& key);
    void unlock();

  private:
    NativeHandle handle_ = kNoHandle;
};

// Kind, size and identity of what `path` names, links followed.
std::error_code statusOf(const std::string& path, Status& out);
// Whether this process may write the existing file at `path`, and the file
// is not marked read-only; fails with std::errc::permission_denied if not.
// POSIX: a file without any write permission bit (mode 0444) counts as
// read-only even for root, as editors treat it; otherwise access(W_OK)
// decides. Win32: FILE_ATTRIBUTE_READONLY counts as read-only; otherwise
// opening it with GENERIC_WRITE and DELETE (sharing read, write and delete,
// then closed at once) decides, and a sharing violation (another program
// holds it open without sharing writes or deletion, so it could not be
// replaced) comes back as that error.
std::error_code checkWritable(const std::string& path);
// Renames `from` to `to`, replacing a file of that name, as one step that
// never leaves `to` missing. Win32: MoveFileExW with
// MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH.
std::error_code rename(const std::string& from, const std::string& to);
std::error_code remove(const std::string& path);
// Makes the folder `path` (its parent must exist; std::errc::file_exists
// when the name is taken) and removes an empty one.
std::error_code makeFolder(const std::string& path);
std::error_code removeFolder(const std::string& path);
// Gives the existing file `existing` the second name `newName` (a hard link;
// Win32: CreateHardLinkW). Fails where the file system has no such links.
std::error_code hardLink(const std::string& existing, const std::string& newName);
// Removes the file at `path` unless a living process owns it (see
// Output::createNew); fails with std::errc::device_or_resource_busy when one
// does. POSIX: opens it, takes its flock without waiting and, holding it,
// unlinks the name. Win32: DeleteFileW, which fails with a sharing violation
// while the owner has it open.
std::error_code removeUnowned(const std::string& path);
// Makes the names created, renamed or removed in `folder` durable: POSIX
// fsync on the folder opened read-only. Win32: nothing to flush, renames are
// written through; fails only when `folder` is not an existing folder.
std::error_code syncFolder(const std::string& folder);
// What `path` finally names when it is a symbolic link (links followed one
// after another, a relative one against its own folder); `path` itself when
// it is not a link or does not exist. The last file reached may not exist
// yet, as for a link to a file still to be created. Fails with
// std::errc::too_many_symbolic_link_levels on a loop. Win32: a reparse point
// resolved with GetFinalPathNameByHandleW when its target exists (the path
// comes back absolute, in its ordinary form), else the path as given: a link
// to a file still to be created is then replaced by the new file.
std::error_code resolveLinks(const std::string& path, std::string& target);

struct FolderEntry {
    std::string name;
    // What the entry is, links followed; a link whose target is gone is
    // `broken` and counts as Other. Taken from the listing itself where the
    // system gives it there, so that listing a large folder stays cheap.
    Kind kind = Kind::Other;
    bool broken = false;
};
// The entries directly in `folder`, "." and ".." left out, in the order the
// system gives them.
std::error_code listFolder(const std::string& folder, std::vector<FolderEntry>& out);

// `path` made absolute against the working folder, without "." parts and
// doubled separators. ".." stays: after a link it leads out of the link's
// target, which no text rule can know. Win32: GetFullPathNameW, which takes
// ".." by the text, as the system itself does with every path.
std::string absolutePath(const std::string& path);

// `path` with every short name (8.3, "LONG~QFG.BIN") that the system made
// for a long one put back in its long form, so that a list names what users
// see on any machine. Win32: GetLongPathNameW; a path that does not exist
// stays as given. POSIX has no such names: `path` itself.
std::string longPath(const std::string& path);

// The number the system knows this process by.
std::uint64_t processId();

// The system's folder for temporary files: POSIX $TMPDIR when set, else
// /tmp; Win32 GetTempPathW.
std::string temporaryFolder();

} // namespace zd::files

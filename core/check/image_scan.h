// Reading an image once from its start for verify, inspect and unpack: the
// byte ranges of many rows served in a single pass, and the file info table
// found and walked. Only small buffers are kept, whatever the image's size.
#pragma once

#include "core/files/file_layer.h"
#include "core/files/progress.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <system_error>
#include <vector>

namespace zd::check {

// The piece the image is read in.
constexpr std::size_t kChunk = 1 << 20;

// What a reader returns when the caller asked it to stop. Compared exactly
// (same category), so that a system's own "cancelled" is never taken for a
// stop.
inline std::error_code stoppedError() {
    return std::make_error_code(std::errc::operation_canceled);
}
inline bool isStop(const std::error_code& error) {
    return error == stoppedError();
}

// How far a check has read, told to its caller before each piece: the
// readers go forward through the image once, so the pieces read so far
// stand for the bytes done of those to read.
class ReadProgress {
  public:
    ReadProgress() = default; // tells nothing, never stops
    ReadProgress(files::KeepGoing keepGoing, std::uint64_t total)
        : keepGoing_(std::move(keepGoing)), total_(total) {}
    // Asked before each piece is read: whether the caller asked to stop.
    bool stopAsked() {
        if (!keepGoing_) {
            return false;
        }
        const bool goOn = keepGoing_(done_, total_);
        done_ = std::min<std::uint64_t>(done_ + kChunk, total_);
        return !goOn;
    }

  private:
    files::KeepGoing keepGoing_;
    std::uint64_t total_ = 0;
    std::uint64_t done_ = 0;
};

// Opens the image, which must be a regular file (FileErrc::NotAFile for a
// pipe, socket or device: a pipe may pause or end early, a device may not
// end at all), and tells its length.
std::error_code openImage(const std::string& path, files::Input& image, std::uint64_t& size);

struct Range {
    std::uint64_t begin = 0;
    std::uint64_t length = 0;
};

// The indexes of two ranges that overlap, the one that starts first first:
// one starts inside the other's bytes (an empty range at another's start or
// end overlaps nothing). Nothing when none do.
std::optional<std::pair<std::size_t, std::size_t>> firstOverlap(std::span<const Range> ranges);

// The indexes of `ranges` in address order, empty ranges before others at
// the same address.
std::vector<std::size_t> addressOrder(std::span<const Range> ranges);

// Bytes of range `index` (its next ones, in order), or of the image itself.
using RangeBytes =
    std::function<void(std::size_t index, const unsigned char* data, std::size_t size)>;
using ImageBytes = std::function<void(const unsigned char* data, std::size_t size)>;

// Reads `image` from its position (its start) up to `readTo` or its end,
// giving every byte once to `onImage` and, within each range, to `onRange`;
// ranges may lie in any order and overlap. `bytesRead` tells how far the
// image went; the result is the error that stopped the reading, if any.
std::error_code scanRanges(files::Input& image, std::span<const Range> ranges, std::uint64_t readTo,
                           const RangeBytes& onRange, const ImageBytes& onImage,
                           std::uint64_t& bytesRead, ReadProgress& progress);

// Reads and drops `count` bytes (the layer reads forward only); an input
// that ends first is an I/O error.
std::error_code skip(files::Input& input, std::uint64_t count, std::vector<unsigned char>& buffer,
                     ReadProgress& progress);

// Reads exactly `size` bytes unless the input ends first; `got` tells.
std::error_code readFull(files::Input& input, unsigned char* data, std::size_t size,
                         std::size_t& got);

struct TableShape {
    bool found = false;
    std::uint32_t frontOffset = 0; // where the lowest row starts
    std::uint64_t rowCount = 0;
    std::uint64_t end = 0; // where the last row ends; past the image's end when it is short
    // The first byte of the front area past the table that is not its
    // filler, when a few are not (a damaged front area).
    std::optional<std::uint64_t> damagedAt{};
};

// Looks for a file info table at the start of the image (inspect.h gives
// the rule). Reads the front area only, and keeps every row taken, to tell
// one that overlaps them.
std::error_code findInfoTable(const std::string& path, TableShape& shape, ReadProgress& progress);

struct TableRecord {
    std::uint64_t number = 0; // 1-based
    std::uint32_t address = 0;
    std::uint32_t size = 0;
};

// Walks the table found by findInfoTable: for each record, `onBegin`, then
// the row's bytes through `onBytes`, then `onEnd`; an error from one of them
// stops the walk and comes back. The table is read first, then the rows in
// address order (the table's order may differ), in one pass.
using RowBytes = std::function<std::error_code(const unsigned char* data, std::size_t size)>;
std::error_code walkTable(const std::string& path, const TableShape& shape,
                          const std::function<std::error_code(const TableRecord&)>& onBegin,
                          const RowBytes& onBytes, const std::function<std::error_code()>& onEnd,
                          ReadProgress& progress);

} // namespace zd::check

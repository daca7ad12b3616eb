#include "core/check/image_scan.h"

#include "core/files/file_reading.h"
#include "core/image/info_table.h"
#include "core/model/entry_list.h"

#include <algorithm>
#include <numeric>
#include <optional>
#include <set>
#include <vector>

namespace zd::check {
std::error_code openImage(const std::string& path, files::Input& image, std::uint64_t& size) {
    files::Status status;
    const std::error_code error = files::openRegular(path, image, status);
    size = status.size;
    return error;
}

std::error_code skip(files::Input& input, std::uint64_t count, std::vector<unsigned char>& buffer,
                     ReadProgress& progress) {
    while (count > 0) {
        if (progress.stopAsked()) {
            return stoppedError();
        }
        std::size_t got = 0;
        const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(count, buffer.size()));
        if (auto error = input.read(buffer.data(), want, got)) {
            return error;
        }
        if (got == 0) {
            return std::make_error_code(std::errc::io_error); // shorter than it was
        }
        count -= got;
    }
    return {};
}

std::error_code readFull(files::Input& input, unsigned char* data, std::size_t size,
                         std::size_t& got) {
    got = 0;
    while (got < size) {
        std::size_t piece = 0;
        if (auto error = input.read(data + got, size - got, piece)) {
            return error;
        }
        if (piece == 0) {
            break;
        }
        got += piece;
    }
    return {};
}

std::vector<std::size_t> addressOrder(std::span<const Range> ranges) {
    std::vector<std::size_t> order(ranges.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return std::pair(ranges[a].begin, ranges[a].length) <
               std::pair(ranges[b].begin, ranges[b].length);
    });
    return order;
}

std::optional<std::pair<std::size_t, std::size_t>> firstOverlap(std::span<const Range> ranges) {
    const std::vector<std::size_t> order = addressOrder(ranges);
    // In address order the first overlap is between neighbours.
    for (std::size_t k = 0; k + 1 < order.size(); ++k) {
        const Range& range = ranges[order[k]];
        if (range.begin + range.length > ranges[order[k + 1]].begin) {
            return std::pair(order[k], order[k + 1]);
        }
    }
    return std::nullopt;
}

std::error_code scanRanges(files::Input& image, std::span<const Range> ranges, std::uint64_t readTo,
                           const RangeBytes& onRange, const ImageBytes& onImage,
                           std::uint64_t& bytesRead, ReadProgress& progress) {
    std::vector<std::size_t> order(ranges.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return ranges[a].begin < ranges[b].begin;
    });
    std::vector<unsigned char> buffer(kChunk);
    std::vector<std::size_t> active; // ranges begun and not yet ended
    std::size_t next = 0;            // in `order`, the first not yet begun
    std::uint64_t position = 0;
    bytesRead = 0;
    while (position < readTo) {
        if (progress.stopAsked()) {
            return stoppedError();
        }
        const auto want =
            static_cast<std::size_t>(std::min<std::uint64_t>(buffer.size(), readTo - position));
        std::size_t got = 0;
        if (auto error = readFull(image, buffer.data(), want, got)) {
            return error;
        }
        const std::uint64_t end = position + got;
        bytesRead = end;
        onImage(buffer.data(), got);
        while (next < order.size() && ranges[order[next]].begin < end) {
            if (ranges[order[next]].length > 0) {
                active.push_back(order[next]);
            }
            ++next;
        }
        for (const std::size_t index : active) {
            const Range& range = ranges[index];
            const std::uint64_t from = std::max(range.begin, position);
            const std::uint64_t to = std::min(range.begin + range.length, end);
            if (from < to) {
                onRange(index, buffer.data() + (from - position),
                        static_cast<std::size_t>(to - from));
            }
        }
        std::erase_if(active, [&](std::size_t index) {
            return ranges[index].begin + ranges[index].length <= end;
        });
        position = end;
        if (got < want) {
            break;
        }
    }
    return {};
}

namespace {

// The alignments, as bits (bit k for 2^k, up to kLargestAlignment), that lay
// a row out at `address` after a layout ending at `end`.
std::uint32_t alignmentsPlacing(std::uint64_t end, std::uint64_t address) {
    std::uint32_t bits = 0;
    for (unsigned k = 0; (std::uint64_t{1} << k) <= kLargestAlignment; ++k) {
        if (alignedUp(end, std::uint32_t{1} << k) == address) {
            bits |= std::uint32_t{1} << k;
        }
    }
    return bits;
}

// The rows of a table taken so far, to tell one that overlaps them (one
// starts inside the other's bytes, as firstOverlap has it).
class TakenRows {
  public:
    bool overlaps(std::uint64_t begin, std::uint64_t end) const {
        // Rows taken never overlap, so the first one after `begin` (past the
        // empty ones there) and the last one before it are the only ones
        // that can.
        const auto after = rows_.upper_bound({begin, begin});
        if (after != rows_.end() && after->first < end && begin < after->second) {
            return true;
        }
        const auto before = rows_.lower_bound({begin, 0});
        return before != rows_.begin() && std::prev(before)->second > begin;
    }
    void add(std::uint64_t begin, std::uint64_t end) { rows_.insert({begin, end}); }

  private:
    std::set<std::pair<std::uint64_t, std::uint64_t>> rows_; // begin, end
};

// The filler after the table: every byte the same, whichever byte it is.
// The filler after the table: one byte, whichever the merge used, told by
// the majority of its first three. A few other bytes, at most kDamageTaken
// and one in sixteen, are damage (the first is kept); more make it no
// filler at all, but data.
class Filler {
  public:
    static constexpr std::size_t kDamageTaken = kInfoRecordBytes;

    // The next `size` bytes, the first at image offset `at`; false once
    // there are too many that differ.
    bool take(const unsigned char* bytes, std::size_t size, std::uint64_t at) {
        taken_ += size;
        for (std::size_t i = 0; i < size; ++i) {
            if (!byte_) {
                firstBytes_.push_back({bytes[i], at + i});
                if (firstBytes_.size() == 3) {
                    settle();
                }
            } else if (bytes[i] != *byte_) {
                note(at + i);
            }
        }
        return damaged_ <= kDamageTaken;
    }
    // The filler has ended: false when it holds too many other bytes.
    bool finish() {
        if (!byte_ && !firstBytes_.empty()) {
            settle();
        }
        return damaged_ <= kDamageTaken && damaged_ * 16 <= taken_;
    }
    std::optional<std::uint64_t> firstDamage() const { return firstDamage_; }

  private:
    void settle() {
        const auto& b = firstBytes_;
        byte_ = b.size() == 3 && b[0].first != b[1].first && b[0].first != b[2].first &&
                        b[1].first == b[2].first
                    ? b[1].first
                    : b[0].first;
        for (const auto& [value, at] : b) {
            if (value != *byte_) {
                note(at);
            }
        }
    }
    void note(std::uint64_t at) {
        if (damaged_++ == 0) {
            firstDamage_ = at;
        }
    }
    std::vector<std::pair<unsigned char, std::uint64_t>> firstBytes_;
    std::optional<unsigned char> byte_;
    std::size_t damaged_ = 0;
    std::uint64_t taken_ = 0;
    std::optional<std::uint64_t> firstDamage_;
};

} // namespace

std::error_code findInfoTable(const std::string& path, TableShape& shape, ReadProgress& progress) {
    shape = {};
    files::Input input;
    std::uint64_t imageSize = 0;
    if (auto error = openImage(path, input, imageSize)) {
        return error;
    }
    unsigned char record[kInfoRecordBytes];
    std::size_t got = 0;
    if (auto error = readFull(input, record, sizeof record, got)) {
        return error;
    }
    if (got < sizeof record) {
        return {};
    }
    const InfoRecord first = readInfoRecord(record);
    // The front area (and its gap) ends where the lowest row starts: the
    // first row, unless the layout of an earlier merge was kept.
    std::uint32_t front = first.address;
    // Rows may run past the image's end (a short image holds the table all
    // the same), not past 4 GiB, where no image ends.
    constexpr std::uint64_t kFourGiB = std::uint64_t{1} << 32;
    std::uint64_t end = std::uint64_t{front} + first.size;
    if (!infoTableFits(front, 1) || end > kFourGiB) {
        return {};
    }
    // Records go on while the table still fits strictly before every row
    // and each row ends by 4 GiB and overlaps none before it. Those laid out
    // as a merge lays them (chained under one alignment; back to back is the
    // alignment 1) are taken whatever their bytes; after the chain breaks, a
    // record of eight equal bytes is the filler.
    std::uint32_t alignments = alignmentsPlacing(front, front);
    std::uint64_t chainEnd = end;
    TakenRows taken;
    taken.add(first.address, end);
    std::uint64_t rows = 1;
    std::uint64_t position = kInfoRecordBytes;
    bool inTable = true;
    Filler filler;
    std::vector<unsigned char> buffer(64 * 1024);
    while (position < front) {
        if (progress.stopAsked()) {
            return stoppedError();
        }
        if (inTable && position + kInfoRecordBytes < front) {
            if (auto error = readFull(input, record, sizeof record, got)) {
                return error;
            }
            if (got < sizeof record) {
                return {};
            }
            const InfoRecord next = readInfoRecord(record);
            const std::uint64_t rowEnd = std::uint64_t{next.address} + next.size;
            const std::uint32_t placing = alignments & alignmentsPlacing(chainEnd, next.address);
            const bool fillerLike = std::all_of(std::begin(record), std::end(record),
                                                [&](unsigned char b) { return b == record[0]; });
            if (rowEnd <= kFourGiB && position + kInfoRecordBytes < next.address &&
                (placing != 0 || !fillerLike) && !taken.overlaps(next.address, rowEnd)) {
                alignments = placing;
                chainEnd = rowEnd;
                taken.add(next.address, rowEnd);
                front = std::min(front, next.address);
                end = std::max(end, rowEnd);
                ++rows;
                position += kInfoRecordBytes;
                continue;
            }
            inTable = false;
            // The record read is filler.
            const std::size_t inFront = static_cast<std::size_t>(
                std::min<std::uint64_t>(kInfoRecordBytes, front - position));
            if (!filler.take(record, inFront, position)) {
                return {};
            }
            position += inFront;
            continue;
        }
        inTable = false;
        const auto want =
            static_cast<std::size_t>(std::min<std::uint64_t>(buffer.size(), front - position));
        if (auto error = readFull(input, buffer.data(), want, got)) {
            return error;
        }
        if (got < want) {
            return {};
        }
        if (!filler.take(buffer.data(), got, position)) {
            return {};
        }
        position += got;
    }
    if (!filler.finish()) {
        return {};
    }
    shape.found = true;
    shape.damagedAt = filler.firstDamage();
    shape.frontOffset = front;
    shape.rowCount = rows;
    shape.end = end;
    return {};
}

std::error_code walkTable(const std::string& path, const TableShape& shape,
                          const std::function<std::error_code(const TableRecord&)>& onBegin,
                          const RowBytes& onBytes, const std::function<std::error_code()>& onEnd,
                          ReadProgress& progress) {
    files::Input image;
    std::uint64_t size = 0;
    if (auto error = openImage(path, image, size)) {
        return error;
    }
    // The table first, then its rows in address order as the image goes on.
    std::vector<TableRecord> records;
    std::vector<Range> ranges;
    for (std::uint64_t number = 1; number <= shape.rowCount; ++number) {
        unsigned char record[kInfoRecordBytes];
        std::size_t got = 0;
        if (auto error = readFull(image, record, sizeof record, got)) {
            return error;
        }
        if (got < sizeof record) {
            return std::make_error_code(std::errc::io_error);
        }
        const InfoRecord read = readInfoRecord(record);
        records.push_back({number, read.address, read.size});
        ranges.push_back({read.address, read.size});
    }
    std::vector<unsigned char> buffer(kChunk);
    std::uint64_t position = kInfoRecordBytes * shape.rowCount;
    for (const std::size_t index : addressOrder(ranges)) {
        const TableRecord& row = records[index];
        // findInfoTable took no rows that overlap; filler lies between them.
        if (auto error = skip(image, row.address - position, buffer, progress)) {
            return error;
        }
        position = std::uint64_t{row.address} + row.size;
        if (auto error = onBegin(row)) {
            return error;
        }
        for (std::uint64_t left = row.size; left > 0;) {
            if (progress.stopAsked()) {
                return stoppedError();
            }
            const auto want =
                static_cast<std::size_t>(std::min<std::uint64_t>(left, buffer.size()));
            std::size_t got = 0;
            if (auto error = readFull(image, buffer.data(), want, got)) {
                return error;
            }
            if (got < want) {
                return std::make_error_code(std::errc::io_error); // shorter than it was
            }
            if (auto error = onBytes(buffer.data(), got)) {
                return error;
            }
            left -= got;
        }
        if (auto error = onEnd()) {
            return error;
        }
    }
    return {};
}

} // namespace zd::check

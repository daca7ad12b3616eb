// The model wing (core/model/): the entry list and its layout, numbers as
// typed and stored, file names as shown and listed, the output names rule
// and the list file, the one format it owns. Pure text but for reading and
// writing the list file, for which it uses the files wing; nothing above it.
//
// The ordered list of files that make up a merged image, and its layout.
//
// Row order is merge order. Every row's address is the front offset plus the
// sizes of the rows before it, rounded up to the alignment (1, back to back,
// unless the command line asks for more); `imageCapacity` is where the last
// row ends. All three are unsigned 32-bit byte counts that wrap modulo 2^32,
// as the image format stores them.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace zd {

struct Entry {
    std::string path;       // full path of the source file, unchanged
    std::uint32_t size = 0; // length in bytes
    std::uint32_t address = 0;
    std::string dataFormat; // the file name's extension, for information only
};

// The five columns the list shows, in display order.
enum class Column { Number = 0, FileName, Size, Address, DataFormat };
inline constexpr int kColumnCount = 5;

// A row to be appended: what intake and the list-file reader produce.
struct NewEntry {
    std::string path;
    std::uint32_t size = 0;
};

// Told about every change of the rows, before and after, so that a view can
// follow the list without keeping a copy of it. Rows are indexes; `last` is
// inclusive.
class EntryListObserver {
  public:
    virtual ~EntryListObserver() = default;
    virtual void rowsAboutToBeInserted(int first, int last) = 0;
    virtual void rowsInserted() = 0;
    virtual void rowsAboutToBeRemoved(int first, int last) = 0;
    virtual void rowsRemoved() = 0;
    // Cells of rows first..last changed in place (numbers, addresses, swaps).
    virtual void rowsChanged(int first, int last) = 0;
};

class EntryList {
  public:
    // Adds one row at the end. Its address is the current `imageCapacity`
    // rounded up to the alignment; `imageCapacity` becomes its end, and the
    // rest of the layout stays right without a recompute.
    void appendEntry(std::string path, std::uint32_t size, std::string dataFormat);
    // Appends many rows as one change (one observer notice), each as
    // `appendEntry` with the data format derived from its path.
    void appendEntries(std::span<const NewEntry> rows);

    // Rewrites every address and `imageCapacity` from `frontOffset`; a
    // placed layout (below) becomes a laid-out one again.
    void recomputeLayout();

    // A layout the merge planned (core/merge/layout_plan.h) rather than one
    // the list lays out: the rows in list order at the addresses given, in
    // any address order and overlapping none, each with the end of its slot
    // (the room it may grow into, from its address on). The layout ends at
    // the furthest slot's end, or at the front offset without rows. Made to
    // be written, not edited: appending to it takes no slot.
    static EntryList placed(std::uint32_t frontOffset, std::uint32_t alignment,
                            std::vector<Entry> rows, std::vector<std::uint64_t> slotEnds);
    bool isPlaced() const { return placed_; }
    // Each row's slot end, in row order, in a placed layout; empty otherwise.
    const std::vector<std::uint64_t>& slotEnds() const { return slotEnds_; }

    int rowCount() const { return static_cast<int>(rows_.size()); }
    bool empty() const { return rows_.empty(); }
    std::uint32_t frontOffset() const { return frontOffset_; }
    std::uint32_t imageCapacity() const { return imageCapacity_; }
    // Where the layout ends, summed in 64 bits: `imageCapacity` without the
    // wrap, so that an image of 4 GiB or more shows as such.
    std::uint64_t layoutEnd() const;
    // Sets the stored front offset only; callers run `recomputeLayout`.
    void setFrontOffset(std::uint32_t offset) { frontOffset_ = offset; }
    // Every row starts at a multiple of `alignment`, a power of two (see
    // alignmentProblem); the gaps before rows count in the capacity. Sets
    // the stored value only; callers run `recomputeLayout`.
    void setAlignment(std::uint32_t alignment) { alignment_ = alignment; }
    std::uint32_t alignment() const { return alignment_; }

    const Entry& at(int row) const { return rows_.at(static_cast<std::size_t>(row)); }
    const std::vector<Entry>& entries() const { return rows_; }

    // The text a cell shows: numbers in plain decimal.
    std::string cellText(int row, Column column) const;

    // Removes one row and takes its size off `imageCapacity`; the addresses
    // of later rows (and, with an alignment, the capacity) are stale until
    // `recomputeLayout`.
    void removeRow(int row);
    // Removes every row; `imageCapacity` becomes `frontOffset`.
    void removeAll();
    // Exchanges the contents of two rows (numbers stay with the positions);
    // addresses are stale until `recomputeLayout`.
    void swapRows(int a, int b);
    // Removes every row and resets the front offset and capacity to 0.
    void clear();

    void setObserver(EntryListObserver* observer) { observer_ = observer; }

  private:
    // Where a row appended now starts.
    std::uint32_t nextAddress() const;
    std::vector<Entry> rows_;
    std::uint32_t frontOffset_ = 0;
    std::uint32_t alignment_ = 1;
    std::uint32_t imageCapacity_ = 0;
    bool placed_ = false;
    std::vector<std::uint64_t> slotEnds_;
    EntryListObserver* observer_ = nullptr;
};

// The data-format text of a path: the tail of its file name from the last
// "." on, dot included, case kept; empty when the name has no dot. Both "/"
// and "\" end a folder, so lists made on either kind of system read alike.
std::string dataFormatOf(std::string_view path);

// The largest alignment taken: a sector of the largest NOR flashes is far
// smaller, and a larger one would mostly lay out filler.
inline constexpr std::uint64_t kLargestAlignment = std::uint64_t{1} << 20;

// Why `alignment` cannot be an alignment (a power of two from 1 to
// kLargestAlignment), or nothing when it can.
std::optional<std::string> alignmentProblem(std::uint64_t alignment);

// `offset` rounded up to a multiple of `alignment`, a power of two.
constexpr std::uint64_t alignedUp(std::uint64_t offset, std::uint32_t alignment) {
    return (offset + alignment - 1) & ~(std::uint64_t{alignment} - 1);
}

// Plain decimal text of an unsigned number.
std::string decimal(std::uint64_t value);

} // namespace zd

#include "core/model/entry_list.h"

#include <algorithm>
#include <charconv>
#include <utility>

namespace zd {

void EntryList::appendEntry(std::string path, std::uint32_t size, std::string dataFormat) {
    const int row = rowCount();
    if (observer_) {
        observer_->rowsAboutToBeInserted(row, row);
    }
    const std::uint32_t address = nextAddress();
    rows_.push_back(Entry{std::move(path), size, address, std::move(dataFormat)});
    imageCapacity_ = address + size; // wraps modulo 2^32 by design
    if (observer_) {
        observer_->rowsInserted();
    }
}

void EntryList::appendEntries(std::span<const NewEntry> rows) {
    if (rows.empty()) {
        return;
    }
    const int first = rowCount();
    if (observer_) {
        observer_->rowsAboutToBeInserted(first, first + static_cast<int>(rows.size()) - 1);
    }
    // Grow geometrically: reserving the exact size on every call would copy
    // the whole list for each small batch, quadratic over many batches.
    const std::size_t needed = rows_.size() + rows.size();
    if (needed > rows_.capacity()) {
        rows_.reserve(std::max(needed, 2 * rows_.capacity()));
    }
    for (const NewEntry& row : rows) {
        const std::uint32_t address = nextAddress();
        rows_.push_back(Entry{row.path, row.size, address, dataFormatOf(row.path)});
        imageCapacity_ = address + row.size;
    }
    if (observer_) {
        observer_->rowsInserted();
    }
}

void EntryList::recomputeLayout() {
    placed_ = false;
    slotEnds_.clear();
    imageCapacity_ = frontOffset_;
    for (Entry& entry : rows_) {
        entry.address = nextAddress();
        imageCapacity_ = entry.address + entry.size;
    }
    if (observer_ && !rows_.empty()) {
        observer_->rowsChanged(0, rowCount() - 1);
    }
}

EntryList EntryList::placed(std::uint32_t frontOffset, std::uint32_t alignment,
                            std::vector<Entry> rows, std::vector<std::uint64_t> slotEnds) {
    EntryList list;
    list.frontOffset_ = frontOffset;
    list.alignment_ = alignment;
    list.rows_ = std::move(rows);
    list.slotEnds_ = std::move(slotEnds);
    list.placed_ = true;
    list.imageCapacity_ = static_cast<std::uint32_t>(list.layoutEnd()); // wraps as ever
    return list;
}

std::uint64_t EntryList::layoutEnd() const {
    std::uint64_t end = frontOffset_;
    if (placed_) {
        for (const std::uint64_t slotEnd : slotEnds_) {
            end = std::max(end, slotEnd);
        }
        return end;
    }
    for (const Entry& entry : rows_) {
        end = alignedUp(end, alignment_) + entry.size;
    }
    return end;
}

std::uint32_t EntryList::nextAddress() const {
    return static_cast<std::uint32_t>(alignedUp(imageCapacity_, alignment_));
}

std::optional<std::string> alignmentProblem(std::uint64_t alignment) {
    if (alignment == 0 || alignment > kLargestAlignment || (alignment & (alignment - 1)) != 0) {
        return "not a power of two from 1 to 1M";
    }
    return std::nullopt;
}

std::string EntryList::cellText(int row, Column column) const {
    const Entry& entry = at(row);
    switch (column) {
    case Column::Number:
        return decimal(static_cast<std::uint64_t>(row) + 1);
    case Column::FileName:
        return entry.path;
    case Column::Size:
        return decimal(entry.size);
    case Column::Address:
        return decimal(entry.address);
    case Column::DataFormat:
        return entry.dataFormat;
    }
    return {};
}

void EntryList::removeRow(int row) {
    const auto index = static_cast<std::size_t>(row);
    const std::uint32_t size = rows_.at(index).size;
    if (observer_) {
        observer_->rowsAboutToBeRemoved(row, row);
    }
    rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(index));
    imageCapacity_ -= size;
    if (observer_) {
        observer_->rowsRemoved();
    }
}

void EntryList::removeAll() {
    if (!rows_.empty() && observer_) {
        observer_->rowsAboutToBeRemoved(0, rowCount() - 1);
    }
    const bool hadRows = !rows_.empty();
    rows_.clear();
    placed_ = false;
    slotEnds_.clear();
    imageCapacity_ = frontOffset_;
    if (hadRows && observer_) {
        observer_->rowsRemoved();
    }
}

void EntryList::swapRows(int a, int b) {
    std::swap(rows_.at(static_cast<std::size_t>(a)), rows_.at(static_cast<std::size_t>(b)));
    if (observer_) {
        observer_->rowsChanged(std::min(a, b), std::max(a, b));
    }
}

void EntryList::clear() {
    frontOffset_ = 0;
    removeAll();
}

std::string dataFormatOf(std::string_view path) {
    const auto slash = path.find_last_of("/\\");
    const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    const auto dot = name.rfind('.');
    return dot == std::string_view::npos ? std::string{} : std::string{name.substr(dot)};
}

std::string decimal(std::uint64_t value) {
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

} // namespace zd

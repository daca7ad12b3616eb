#include "core/check/inspect.h"

#include "core/check/image_scan.h"
#include "core/image/crc32.h"

#include <map>

namespace zd::check {

InspectResult inspectImage(const std::string& imagePath,
                           const std::function<void(const TableRow&)>& onRow,
                           const files::KeepGoing& keepGoing) {
    InspectResult result;
    const auto unreadable = [&](std::error_code error) {
        result.status =
            isStop(error) ? InspectResult::Status::Stopped : InspectResult::Status::ImageUnreadable;
        result.error = error;
        return result;
    };
    {
        files::Input image;
        if (auto error = openImage(imagePath, image, result.imageSize)) {
            return unreadable(error);
        }
    }
    ReadProgress progress(keepGoing, result.imageSize);
    TableShape shape;
    if (auto error = findInfoTable(imagePath, shape, progress)) {
        return unreadable(error);
    }
    if (!shape.found) {
        result.status = InspectResult::Status::NoTable;
        return result;
    }
    if (shape.end > result.imageSize) {
        result.status = InspectResult::Status::ImageTooShort;
        result.tableEnd = shape.end;
        return result;
    }
    result.frontOffset = shape.frontOffset;
    result.rowCount = shape.rowCount;
    TableRow row;
    Crc32 crc;
    // The rows come in address order; they are told in the table's, each
    // once it and every row before it are known.
    std::map<std::uint64_t, TableRow> waiting;
    std::uint64_t nextNumber = 1;
    const std::error_code error = walkTable(
        imagePath, shape,
        [&](const TableRecord& record) {
            row = {record.number, record.address, record.size, 0};
            crc = Crc32{};
            return std::error_code{};
        },
        [&](const unsigned char* data, std::size_t size) {
            crc.update(data, size);
            return std::error_code{};
        },
        [&] {
            row.crc = crc.value();
            waiting.emplace(row.number, row);
            for (auto next = waiting.begin(); next != waiting.end() && next->first == nextNumber;
                 next = waiting.erase(next), ++nextNumber) {
                if (onRow) {
                    onRow(next->second);
                }
            }
            return std::error_code{};
        },
        progress);
    if (error) {
        return unreadable(error);
    }
    if (shape.damagedAt) {
        result.status = InspectResult::Status::FrontAreaDamaged;
        result.damagedAt = *shape.damagedAt;
    }
    return result;
}

} // namespace zd::check

#include "core/check/verify.h"

#include "core/check/image_scan.h"
#include "core/files/file_reading.h"
#include "core/firmware/manifest.h"
#include "core/image/crc32.h"
#include "core/image/info_table.h"
#include "core/model/list_file.h"
#include "core/model/listed_names.h"

#include <algorithm>
#include <optional>

namespace zd::check {
namespace {

VerifyResult layoutUnreadable(std::error_code error, std::string reason) {
    VerifyResult result;
    result.status = VerifyResult::Status::LayoutUnreadable;
    result.error = error;
    result.reason = std::move(reason);
    return result;
}

// What verify learns about one row while the image streams past.
struct RowCheck {
    std::uint64_t seen = 0; // bytes of the row the image held
    Crc32 crc;
    files::Input input; // the row's file, while its bytes are compared
    bool opened = false;
    std::error_code inputError;
    std::uint64_t inputSize = 0;
    std::optional<std::uint64_t> firstDifference; // offset within the row
    bool inputShort = false;                      // the file ended before the row did
    TableFault table = TableFault::None;          // what the row's table record says
    std::uint32_t tableAddress = 0;
    std::uint32_t tableSize = 0;
};

// Opens the row's file once: a regular file that can be read.
void openInput(const CheckRow& row, RowCheck& check) {
    if (check.opened) {
        return;
    }
    check.opened = true;
    files::Status status;
    check.inputError = files::openRegular(row.path, check.input, status);
    check.inputSize = status.size;
}

// Compares the row's next image bytes with its file's next bytes.
void compareWithFile(const CheckRow& row, RowCheck& check, const unsigned char* data,
                     std::size_t size, std::vector<unsigned char>& fileBytes) {
    openInput(row, check);
    if (check.inputError || check.firstDifference) {
        return;
    }
    std::size_t got = 0;
    if (auto error = readFull(check.input, fileBytes.data(), size, got)) {
        check.inputError = error;
        return;
    }
    const std::size_t same =
        static_cast<std::size_t>(std::mismatch(data, data + got, fileBytes.data()).first - data);
    if (same < got || got < size) {
        check.firstDifference = check.seen + same;
        check.inputShort = same == got;
    }
}

// The table's records, read as the image streams past, each beside its
// row; whether there is a table is settled once all are read.
struct TableCheck {
    const CheckLayout& layout;
    std::vector<RowCheck>& checks;
    std::uint64_t tableBytes = 0; // 8 per row, when there is room for a table
    bool written = false;         // known, or found as inspect finds it
    bool otherData = false;       // a list's front area holds something else
    unsigned char record[kInfoRecordBytes] = {};
    std::uint64_t position = 0;
    std::vector<bool> fillerRecords{}; // read as eight equal bytes

    void feed(const unsigned char* data, std::size_t size) {
        while (size > 0 && position < tableBytes) {
            record[position % kInfoRecordBytes] = *data++;
            --size;
            if (++position % kInfoRecordBytes == 0) {
                keep(position / kInfoRecordBytes - 1);
            }
        }
    }

    void keep(std::uint64_t index) {
        const InfoRecord read = readInfoRecord(record);
        checks[index].tableAddress = read.address;
        checks[index].tableSize = read.size;
        fillerRecords.push_back(std::all_of(std::begin(record), std::end(record),
                                            [this](unsigned char b) { return b == record[0]; }));
    }

    bool matches(std::size_t index) const {
        return checks[index].tableAddress == layout.rows[index].address &&
               checks[index].tableSize == layout.rows[index].size;
    }

    // Without a table found, one is there when any record names its row as
    // the list does (the rest damaged); else the front area holds filler or
    // other data, and no record is looked at.
    void finish() {
        const std::size_t read = fillerRecords.size();
        for (std::size_t index = 0; !written && index < read; ++index) {
            written = matches(index);
        }
        if (!written) {
            otherData = read > 0 && !fillerRecords[0];
            return;
        }
        for (std::size_t index = 0; index < tableBytes / kInfoRecordBytes; ++index) {
            checks[index].table = index >= read          ? TableFault::Missing
                                  : matches(index)       ? TableFault::None
                                  : fillerRecords[index] ? TableFault::NoRecord
                                                         : TableFault::Differs;
        }
    }
};

// A row the image holds too little of: it ends inside the row, or before it.
void imageEnds(const CheckRow& row, const RowCheck& check, std::uint64_t imageSize,
               RowFinding& finding) {
    const bool before = imageSize <= row.address;
    finding.content = before ? ContentFault::ImageEndsBefore : ContentFault::ImageTooShort;
    finding.offset = before ? imageSize : row.address + check.seen;
}

RowFinding contentFinding(const CheckLayout& layout, const CheckRow& row, RowCheck& check,
                          std::uint64_t imageSize) {
    RowFinding finding;
    finding.path = row.path;
    finding.address = row.address;
    finding.size = row.size;
    finding.table = check.table;
    finding.tableAddress = check.tableAddress;
    finding.tableSize = check.tableSize;
    if (row.slotEnd && std::uint64_t{row.address} + row.size > *row.slotEnd) {
        finding.pastSlot = row.slotEnd;
    }
    if (layout.byCrc) {
        if (check.seen < row.size) {
            imageEnds(row, check, imageSize, finding);
        } else if (check.crc.value() != row.crc) {
            finding.content = ContentFault::CrcDiffers;
            finding.crcFound = check.crc.value();
            finding.crcExpected = row.crc;
        }
        return finding;
    }
    // A row the image held no byte of (an empty one) still needs its file.
    openInput(row, check);
    check.input.close();
    finding.inputSize = check.inputSize;
    if (check.inputError) {
        finding.content = ContentFault::InputUnreadable;
        finding.error = check.inputError;
    } else if (check.firstDifference && !check.inputShort) {
        finding.content = ContentFault::BytesDiffer;
        finding.offset = row.address + *check.firstDifference;
    } else if (check.seen < row.size) {
        imageEnds(row, check, imageSize, finding);
    } else if (check.inputSize != row.size) {
        finding.content = ContentFault::InputSizeDiffers;
        if (check.firstDifference) {
            finding.offset = row.address + *check.firstDifference;
        }
    }
    return finding;
}

// `pattern` with each {name} replaced by its value.
std::string filledIn(std::string_view pattern,
                     std::initializer_list<std::pair<std::string_view, std::string>> values) {
    std::string text;
    for (std::size_t at = 0; at < pattern.size();) {
        const std::size_t open = pattern.find('{', at);
        const std::size_t close = pattern.find('}', open);
        if (close == std::string_view::npos) {
            text.append(pattern.substr(at));
            break;
        }
        text.append(pattern.substr(at, open - at));
        const std::string_view name = pattern.substr(open + 1, close - open - 1);
        for (const auto& [key, value] : values) {
            if (key == name) {
                text += value;
            }
        }
        at = close + 1;
    }
    return text;
}

} // namespace

std::string findingText(const RowFinding& row, const FindingWords& words) {
    const auto fill = [&row](const char* pattern) {
        return filledIn(pattern, {{"offset", std::to_string(row.offset)},
                                  {"found", crc32Text(row.crcFound)},
                                  {"expected", crc32Text(row.crcExpected)},
                                  {"error", row.error.message()},
                                  {"inputSize", std::to_string(row.inputSize)},
                                  {"size", std::to_string(row.size)},
                                  {"tableAddress", std::to_string(row.tableAddress)},
                                  {"tableSize", std::to_string(row.tableSize)},
                                  {"slotEnd", std::to_string(row.pastSlot.value_or(0))}});
    };
    std::string text;
    if (row.content != ContentFault::None) {
        text = fill(words.content[static_cast<std::size_t>(row.content)]);
    }
    if (row.table != TableFault::None) {
        text += (text.empty() ? "" : words.separator) +
                fill(words.table[static_cast<std::size_t>(row.table)]);
    }
    if (row.pastSlot) {
        text += (text.empty() ? "" : words.separator) + fill(words.pastSlot);
    }
    return text;
}

VerifyResult verifyImage(const std::string& imagePath, const CheckLayout& layout,
                         const files::KeepGoing& keepGoing) {
    VerifyResult result;
    files::Input image;
    std::uint64_t imageSize = 0;
    if (const std::error_code openError = openImage(imagePath, image, imageSize)) {
        result.status = VerifyResult::Status::ImageUnreadable;
        result.error = openError;
        return result;
    }

    ReadProgress progress(keepGoing, imageSize);
    std::vector<Range> ranges;
    ranges.reserve(layout.rows.size());
    std::uint64_t layoutEnd = layout.byCrc ? layout.imageSize : 0;
    for (const CheckRow& row : layout.rows) {
        ranges.push_back({row.address, row.size});
        layoutEnd = std::max(layoutEnd, std::uint64_t{row.address} + row.size);
    }
    if (const auto overlap = firstOverlap(ranges)) {
        const auto [first, second] = std::minmax(overlap->first, overlap->second);
        return layoutUnreadable({}, "rows " + std::to_string(first + 1) + " and " +
                                        std::to_string(second + 1) + " overlap in the image");
    }
    result.layoutEnd = layoutEnd;
    const std::uint64_t readTo = std::min(layoutEnd, imageSize);

    std::vector<RowCheck> checks(layout.rows.size());
    TableCheck table{layout, checks};
    const std::uint64_t rowCount = layout.rows.size();
    // The table as inspect finds it: whether a list's image holds one, and
    // whether the filler after it is whole.
    TableShape shape;
    if (auto error = findInfoTable(imagePath, shape, progress)) {
        result.status =
            isStop(error) ? VerifyResult::Status::Stopped : VerifyResult::Status::ImageUnreadable;
        result.error = error;
        return result;
    }
    if (infoTableFits(layout.frontOffset, rowCount) &&
        (!layout.tableKnown || layout.tableWritten)) {
        table.tableBytes = kInfoRecordBytes * rowCount;
        table.written = layout.tableKnown || shape.found;
        table.fillerRecords.reserve(rowCount);
    }
    Crc32 imageCrc;
    std::uint64_t imageCrcBytes = 0;
    std::vector<unsigned char> fileBytes(kChunk);

    std::uint64_t bytesRead = 0;
    const std::error_code readError = scanRanges(
        image, ranges, readTo,
        [&](std::size_t index, const unsigned char* data, std::size_t size) {
            RowCheck& check = checks[index];
            if (layout.byCrc) {
                check.crc.update(data, size);
            } else {
                compareWithFile(layout.rows[index], check, data, size, fileBytes);
            }
            check.seen += size;
            if (check.seen == layout.rows[index].size) {
                check.input.close();
            }
        },
        [&](const unsigned char* data, std::size_t size) {
            table.feed(data, size);
            if (imageCrcBytes < layout.imageSize) { // a manifest's image only
                const auto part = static_cast<std::size_t>(
                    std::min<std::uint64_t>(size, layout.imageSize - imageCrcBytes));
                imageCrc.update(data, part);
                imageCrcBytes += part;
            }
        },
        bytesRead, progress);
    if (isStop(readError)) {
        result.status = VerifyResult::Status::Stopped;
        return result;
    }
    if (readError) {
        result.status = VerifyResult::Status::ImageUnreadable;
        result.error = readError;
        return result;
    }
    table.finish();
    result.tableChecked = table.written;
    result.otherDataInFront = table.otherData;
    if (table.written) {
        result.frontAreaDamagedAt = shape.damagedAt;
    }
    result.imageSize = imageSize;
    if (result.imageSize > layoutEnd) {
        result.bytesPastLayout = result.imageSize - layoutEnd;
    }

    for (std::size_t index = 0; index < layout.rows.size(); ++index) {
        RowFinding finding = contentFinding(layout, layout.rows[index], checks[index], imageSize);
        finding.number = index + 1;
        if (finding.content != ContentFault::None || finding.table != TableFault::None ||
            finding.pastSlot) {
            result.rows.push_back(std::move(finding));
        }
    }
    if (layout.byCrc) {
        result.imageShort = imageCrcBytes < layout.imageSize;
        result.imageCrcFound = imageCrc.value();
        result.imageCrcDiffers = !result.imageShort && imageCrc.value() != layout.imageCrc;
    }
    result.notThisImage = !layout.byCrc && !table.written && !layout.rows.empty() &&
                          result.rows.size() == layout.rows.size() &&
                          std::all_of(result.rows.begin(), result.rows.end(), [](const auto& row) {
                              return row.content != ContentFault::None;
                          });
    if (!result.rows.empty() || result.imageShort || result.imageCrcDiffers ||
        result.frontAreaDamagedAt) {
        result.status = VerifyResult::Status::Mismatch;
    }
    return result;
}

VerifyResult verifyAgainstList(const std::string& imagePath, const std::string& listPath,
                               const files::KeepGoing& keepGoing, bool tableAsked) {
    ListReadResult read = readListFile(listPath);
    if (read.status == ListReadResult::Status::CannotOpen) {
        return layoutUnreadable(read.error, "the list file cannot be read");
    }
    if (read.status == ListReadResult::Status::FormatError) {
        return layoutUnreadable({}, "line " + std::to_string(read.errorLine) + ": " + read.reason);
    }
    if (read.addresses.size() != read.rows.size()) {
        return layoutUnreadable({}, listAddressProblem(read));
    }
    resolveListedNames(read.rows, listPath);
    CheckLayout layout;
    for (std::size_t i = 0; i < read.rows.size(); ++i) {
        layout.rows.push_back({std::move(read.rows[i].path), read.addresses[i], read.rows[i].size});
    }
    // The list file does not hold the front offset: the lowest row starts
    // there (the first, unless a kept layout moved rows).
    layout.frontOffset = layout.rows.empty() ? 0 : std::ranges::min(read.addresses);
    layout.tableKnown = tableAsked;
    layout.tableWritten = tableAsked;
    return verifyImage(imagePath, layout, keepGoing);
}

VerifyResult verifyAgainstManifest(const std::string& imagePath, const std::string& manifestPath,
                                   const files::KeepGoing& keepGoing) {
    const ManifestReadResult read = readManifest(manifestPath);
    if (read.status == ManifestReadResult::Status::CannotOpen) {
        return layoutUnreadable(read.error, "the manifest cannot be read");
    }
    if (read.status == ManifestReadResult::Status::FormatError) {
        return layoutUnreadable({}, read.reason);
    }
    const Manifest& manifest = read.manifest;
    CheckLayout layout;
    layout.byCrc = true;
    layout.frontOffset = manifest.frontOffset;
    layout.tableKnown = true;
    layout.tableWritten = manifest.infoTable;
    layout.imageSize = manifest.imageSize;
    layout.imageCrc = manifest.imageCrc;
    for (const ManifestRow& row : manifest.rows) {
        layout.rows.push_back({row.path, row.address, row.size, row.crc,
                               manifest.slots ? std::optional(row.slotEnd) : std::nullopt});
    }
    return verifyImage(imagePath, layout, keepGoing);
}

} // namespace zd::check

#include "image_writer.h"

#include "file_layer.h"
#include "list_file.h"
#include "output_file.h"

#include <optional>

namespace zd {
namespace {

constexpr std::uint64_t kFourGiB = std::uint64_t{1} << 32;

MergeResult failure(MergeStatus status, std::string path, std::error_code error = {}) {
    MergeResult result;
    result.status = status;
    result.path = std::move(path);
    result.error = error;
    return result;
}

void putLittleEndian(std::string& out, std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) {
        out += static_cast<char>((value >> shift) & 0xFFu);
    }
}

std::string infoTable(const EntryList& list) {
    std::string table;
    table.reserve(list.entries().size() * 8);
    for (const Entry& entry : list.entries()) {
        putLittleEndian(table, entry.address);
        putLittleEndian(table, entry.size);
    }
    return table;
}

std::optional<files::Identity> idOf(const std::string& path) {
    files::Status status;
    if (files::statusOf(path, status)) {
        return std::nullopt;
    }
    return status.identity;
}

// Every check that can be made before anything is created. On success
// `imageEnd` is the image's length.
MergeResult checkInputs(const EntryList& list, const OutputPaths& paths, std::uint64_t& imageEnd) {
    const auto imageId = idOf(paths.imagePath);
    const auto listId = idOf(paths.listPath);
    std::uint64_t end = list.frontOffset();
    const bool named = !paths.imagePath.empty();
    for (const Entry& entry : list.entries()) {
        if (named && entry.path == paths.imagePath) {
            return failure(MergeStatus::OutputIsInput, entry.path);
        }
        if (named && entry.path == paths.listPath) {
            return failure(MergeStatus::ListIsInput, entry.path);
        }
        files::Status info;
        if (auto error = files::statusOf(entry.path, info)) {
            return failure(MergeStatus::InputUnreadable, entry.path, error);
        }
        if (info.kind != files::Kind::Regular) {
            return failure(MergeStatus::InputUnreadable, entry.path,
                           std::make_error_code(info.kind == files::Kind::Directory
                                                    ? std::errc::is_a_directory
                                                    : std::errc::not_supported));
        }
        if (auto error = files::checkReadable(entry.path)) {
            return failure(MergeStatus::InputUnreadable, entry.path, error);
        }
        if (imageId && *imageId == info.identity) {
            return failure(MergeStatus::OutputIsInput, entry.path);
        }
        if (listId && *listId == info.identity) {
            return failure(MergeStatus::ListIsInput, entry.path);
        }
        if (info.size != entry.size) {
            MergeResult result = failure(MergeStatus::InputSizeChanged, entry.path);
            result.expected = entry.size;
            result.actual = info.size;
            return result;
        }
        // An address must fit into 32 bits, and so must the image's end.
        if (end >= kFourGiB) {
            return failure(MergeStatus::LayoutTooLarge, entry.path);
        }
        end += entry.size;
        if (end > kFourGiB) {
            return failure(MergeStatus::LayoutTooLarge, entry.path);
        }
    }
    imageEnd = end;
    return {};
}

// Appends one input to the image and checks that exactly its listed size
// was copied.
MergeResult appendInput(OutputFile& image, const Entry& entry, std::uint64_t& done,
                        std::uint64_t total, const MergeProgress& progress) {
    files::Input input;
    if (auto error = input.open(entry.path)) {
        return failure(MergeStatus::InputUnreadable, entry.path, error);
    }
    const std::uint64_t before = done;
    std::uint64_t copied = 0;
    std::error_code readError;
    const std::error_code writeError =
        image.appendFrom(input, copied, readError, [&](std::uint64_t soFar) {
            return !progress || progress(before + soFar, total);
        });
    input.close();
    if (writeError == std::errc::operation_canceled) {
        return failure(MergeStatus::Stopped, entry.path);
    }
    if (writeError) {
        return failure(MergeStatus::ImageWriteFailed, image.target(), writeError);
    }
    if (readError) {
        return failure(MergeStatus::InputUnreadable, entry.path, readError);
    }
    if (copied != entry.size) {
        MergeResult result = failure(MergeStatus::InputSizeChanged, entry.path);
        result.expected = entry.size;
        result.actual = copied;
        return result;
    }
    done = before + copied;
    return {};
}

} // namespace

bool infoTableFits(std::uint32_t frontOffset, int rowCount) {
    return rowCount >= 1 &&
           std::uint64_t{frontOffset} > std::uint64_t{8} * static_cast<std::uint64_t>(rowCount);
}

MergeResult mergeImage(const EntryList& list, bool withInfoTable, const OutputPaths& paths,
                       const MergeProgress& progress) {
    std::uint64_t total = 0;
    if (MergeResult checked = checkInputs(list, paths, total); !checked.ok()) {
        return checked;
    }
    const std::uint32_t front = list.frontOffset();
    const bool writeTable = withInfoTable && infoTableFits(front, list.rowCount());

    OutputFile image(paths.imagePath);
    if (auto error = image.create()) {
        return failure(MergeStatus::ImageCreateFailed, paths.imagePath, error);
    }
    std::uint64_t done = 0;
    if (writeTable) {
        const std::string table = infoTable(list);
        if (auto error = image.write(table)) {
            return failure(MergeStatus::ImageWriteFailed, paths.imagePath, error);
        }
        done = table.size();
    }
    if (auto error = image.fill(0xFF, front - done)) {
        return failure(MergeStatus::ImageWriteFailed, paths.imagePath, error);
    }
    done = front;
    if (progress && !progress(done, total)) {
        return failure(MergeStatus::Stopped, paths.imagePath);
    }
    for (const Entry& entry : list.entries()) {
        if (MergeResult appended = appendInput(image, entry, done, total, progress);
            !appended.ok()) {
            return appended;
        }
    }
    if (auto error = image.commit()) {
        return failure(MergeStatus::ImageWriteFailed, paths.imagePath, error);
    }
    if (auto error = writeListFile(paths.listPath, list)) {
        return failure(MergeStatus::ListWriteFailed, paths.listPath, error);
    }
    MergeResult result;
    result.infoTableWritten = writeTable;
    result.infoTableLeftOut = withInfoTable && !writeTable && !list.empty();
    return result;
}

MergeResult checkMerge(const EntryList& list, const OutputPaths& paths) {
    std::uint64_t imageEnd = 0;
    return checkInputs(list, paths, imageEnd);
}

} // namespace zd

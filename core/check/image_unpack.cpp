// Unpack: every row's bytes of an image to a file of its own.
#include "core/check/image_unpack.h"

#include "core/check/image_scan.h"
#include "core/image/crc32.h"
#include "core/model/list_file.h"
#include "core/model/listed_names.h"

#include <algorithm>
#include <cstdio>
#include <numeric>
#include <unordered_set>

namespace zd {
namespace {

UnpackResult failure(UnpackResult::Status status, std::string path = {},
                     std::error_code error = {}) {
    UnpackResult result;
    result.status = status;
    result.path = std::move(path);
    result.error = error;
    return result;
}

std::string joined(const std::string& folder, std::string_view name) {
    std::string path = folder;
    if (!path.empty() && !files::isSeparator(path.back())) {
        path += files::kSeparator;
    }
    path += name;
    return path;
}

// Names on Windows clash whatever their letter case.
std::string clashKey(std::string_view name) {
    std::string key(name);
    if (files::kWin32) {
        std::transform(key.begin(), key.end(), key.begin(), [](char c) {
            return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
        });
    }
    return key;
}

// The files this run makes; all removed again unless the run completes.
class MadeFiles {
  public:
    ~MadeFiles() {
        if (!kept_) {
            (void)current_.close();
            for (const std::string& path : made_) {
                (void)files::remove(path);
            }
        }
    }
    std::error_code create(const std::string& path) {
        if (auto error = current_.createNew(path)) {
            return error;
        }
        made_.push_back(path);
        return {};
    }
    std::error_code write(const unsigned char* data, std::size_t size) {
        return current_.write(data, size);
    }
    std::error_code close() { return current_.close(); }
    std::vector<std::string> keep() {
        kept_ = true;
        return std::move(made_);
    }

  private:
    std::vector<std::string> made_;
    files::Output current_; // the file being written
    bool kept_ = false;
};

std::error_code checkFolder(const std::string& folder) {
    files::Status status;
    if (auto error = files::statusOf(folder, status)) {
        return error;
    }
    if (status.kind != files::Kind::Directory) {
        return std::make_error_code(std::errc::not_a_directory);
    }
    return {};
}

// Every target must be new; the names are checked before anything is made.
UnpackResult checkTargets(const std::vector<std::string>& targets) {
    for (const std::string& target : targets) {
        files::Status status;
        const std::error_code error = files::statusOf(target, status);
        if (!error) {
            return failure(UnpackResult::Status::TargetExists, target);
        }
        if (error != std::errc::no_such_file_or_directory) {
            return failure(UnpackResult::Status::WriteFailed, target, error);
        }
    }
    return {};
}

UnpackResult unpackByList(const std::string& imagePath, const std::string& folder,
                          const std::string& listPath) {
    const ListReadResult read = readListFile(listPath);
    if (read.status != ListReadResult::Status::Ok) {
        UnpackResult result = failure(UnpackResult::Status::ListUnreadable, listPath, read.error);
        if (read.status == ListReadResult::Status::FormatError) {
            result.reason = "line " + std::to_string(read.errorLine) + ": " + read.reason;
        }
        return result;
    }
    if (read.addresses.size() != read.rows.size()) {
        UnpackResult result = failure(UnpackResult::Status::ListUnreadable, listPath);
        result.reason = "a row of the list file has no address";
        return result;
    }
    std::vector<std::string> targets;
    std::unordered_set<std::string> names;
    for (const NewEntry& row : read.rows) {
        const std::string_view name = fileNameOf(row.path);
        if (name.empty() || name == "." || name == "..") {
            return failure(UnpackResult::Status::BadName, row.path);
        }
        if (!names.insert(clashKey(name)).second) {
            return failure(UnpackResult::Status::DuplicateName, std::string(name));
        }
        targets.push_back(joined(folder, name));
    }
    std::uint64_t imageSize = 0;
    if (auto error = scan::imageSizeOf(imagePath, imageSize)) {
        return failure(UnpackResult::Status::ImageUnreadable, imagePath, error);
    }
    std::vector<scan::Range> ranges;
    for (std::size_t i = 0; i < read.rows.size(); ++i) {
        ranges.push_back({read.addresses[i], read.rows[i].size});
        if (std::uint64_t{read.addresses[i]} + read.rows[i].size > imageSize) {
            return failure(UnpackResult::Status::ImageTooShort, read.rows[i].path);
        }
    }
    if (UnpackResult checked = checkTargets(targets); !checked.ok()) {
        return checked;
    }

    // Rows are written one after another, in address order, as the image
    // streams past. A list the merge wrote never has rows that overlap; one
    // that does is refused.
    std::vector<std::size_t> order(ranges.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return ranges[a].begin < ranges[b].begin;
    });
    for (std::size_t k = 1; k < order.size(); ++k) {
        const scan::Range& before = ranges[order[k - 1]];
        if (before.begin + before.length > ranges[order[k]].begin) {
            UnpackResult result = failure(UnpackResult::Status::ListUnreadable, listPath);
            result.reason = "rows overlap in the image";
            return result;
        }
    }

    files::Input image;
    if (auto error = image.open(imagePath)) {
        return failure(UnpackResult::Status::ImageUnreadable, imagePath, error);
    }
    MadeFiles made;
    std::vector<unsigned char> buffer(scan::kChunk);
    std::uint64_t position = 0;
    for (const std::size_t index : order) {
        const scan::Range& range = ranges[index];
        if (auto error = scan::skip(image, range.begin - position, buffer)) {
            return failure(UnpackResult::Status::ImageUnreadable, imagePath, error);
        }
        if (auto error = made.create(targets[index])) {
            return failure(UnpackResult::Status::WriteFailed, targets[index], error);
        }
        for (std::uint64_t left = range.length; left > 0;) {
            const auto want =
                static_cast<std::size_t>(std::min<std::uint64_t>(left, buffer.size()));
            std::size_t got = 0;
            if (auto error = scan::readFull(image, buffer.data(), want, got)) {
                return failure(UnpackResult::Status::ImageUnreadable, imagePath, error);
            }
            if (got < want) { // shorter than it was
                return failure(UnpackResult::Status::ImageUnreadable, imagePath,
                               std::make_error_code(std::errc::io_error));
            }
            if (auto writeError = made.write(buffer.data(), got)) {
                return failure(UnpackResult::Status::WriteFailed, targets[index], writeError);
            }
            left -= got;
        }
        if (auto error = made.close()) {
            return failure(UnpackResult::Status::WriteFailed, targets[index], error);
        }
        position = range.begin + range.length;
    }
    made.keep();
    UnpackResult result;
    result.written = std::move(targets);
    return result;
}

UnpackResult unpackByTable(const std::string& imagePath, const std::string& folder) {
    std::uint64_t imageSize = 0;
    if (auto error = scan::imageSizeOf(imagePath, imageSize)) {
        return failure(UnpackResult::Status::ImageUnreadable, imagePath, error);
    }
    scan::TableShape shape;
    if (auto error = scan::findInfoTable(imagePath, imageSize, shape)) {
        return failure(UnpackResult::Status::ImageUnreadable, imagePath, error);
    }
    if (!shape.found) {
        return failure(UnpackResult::Status::NoTable, imagePath);
    }
    std::vector<std::string> targets;
    for (std::uint64_t number = 1; number <= shape.rowCount; ++number) {
        targets.push_back(joined(folder, numberedName(number)));
    }
    if (UnpackResult checked = checkTargets(targets); !checked.ok()) {
        return checked;
    }
    MadeFiles made;
    std::error_code writeError;
    std::string target;
    const std::error_code error = scan::walkTable(
        imagePath, shape,
        [&](const scan::TableRecord& record) {
            target = targets[record.number - 1];
            return writeError = made.create(target);
        },
        [&](const unsigned char* data, std::size_t size) {
            return writeError = made.write(data, size);
        },
        [&] { return writeError = made.close(); });
    if (writeError) {
        return failure(UnpackResult::Status::WriteFailed, target, writeError);
    }
    if (error) {
        return failure(UnpackResult::Status::ImageUnreadable, imagePath, error);
    }
    UnpackResult result;
    result.written = made.keep();
    return result;
}

} // namespace

std::string numberedName(std::uint64_t number) {
    char name[32];
    std::snprintf(name, sizeof name, "%03llu.bin", static_cast<unsigned long long>(number));
    return name;
}

UnpackResult unpackImage(const std::string& imagePath, const std::string& folder,
                         const std::string& listPath) {
    if (auto error = checkFolder(folder)) {
        return failure(UnpackResult::Status::FolderUnusable, folder, error);
    }
    return listPath.empty() ? unpackByTable(imagePath, folder)
                            : unpackByList(imagePath, folder, listPath);
}

} // namespace zd

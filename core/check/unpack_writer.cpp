// Unpack: every row's bytes of an image to a file of its own.
#include "core/check/unpack_writer.h"

#include "core/check/image_scan.h"
#include "core/files/staged_files.h"
#include "core/files/temporary_names.h"
#include "core/image/info_table.h"
#include "core/model/list_file.h"
#include "core/model/listed_names.h"

#include <algorithm>
#include <cstdio>
#include <numeric>
#include <unordered_set>

namespace zd::check {
namespace {

UnpackResult failure(UnpackResult::Status status, std::string path = {},
                     std::error_code error = {}) {
    UnpackResult result;
    result.status = status;
    result.path = std::move(path);
    result.error = error;
    return result;
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

// Every target must be new; the names are checked before anything is made.
UnpackResult checkTargets(const std::string& folder, const std::vector<std::string>& names) {
    for (const std::string& name : names) {
        const std::string target = files::joinedPath(folder, name);
        files::Status status;
        const std::error_code error = files::statusOf(target, status);
        if (!error) {
            return failure(UnpackResult::Status::TargetExists, target);
        }
        if (error != std::errc::no_such_file_or_directory && error != std::errc::not_a_directory) {
            return failure(UnpackResult::Status::WriteFailed, target, error);
        }
    }
    return {};
}

UnpackResult imageTooShort(std::string path, std::uint64_t imageSize, std::uint64_t needed) {
    UnpackResult result = failure(UnpackResult::Status::ImageTooShort, std::move(path));
    result.imageSize = imageSize;
    result.needed = needed;
    return result;
}

UnpackResult listFailure(const std::string& listPath, std::string reason) {
    UnpackResult result = failure(UnpackResult::Status::ListUnreadable, listPath);
    result.reason = std::move(reason);
    return result;
}

UnpackResult readFailure(const std::string& imagePath, std::error_code error) {
    return failure(isStop(error) ? UnpackResult::Status::Stopped
                                 : UnpackResult::Status::ImageUnreadable,
                   imagePath, error);
}

// What the rows become: a file name each and the bytes it takes, in the
// order they are written.
struct Plan {
    std::vector<std::string> names;
    std::vector<Range> ranges;
};

// Rows are written one after another, in address order, as the image
// streams past, whatever order the list or the table gives them in. A
// layout the merge wrote never has rows that overlap; one that does is
// refused.
bool putInAddressOrder(Plan& plan) {
    if (firstOverlap(plan.ranges)) {
        return false;
    }
    Plan sorted;
    for (const std::size_t index : addressOrder(plan.ranges)) {
        sorted.names.push_back(std::move(plan.names[index]));
        sorted.ranges.push_back(plan.ranges[index]);
    }
    plan = std::move(sorted);
    return true;
}

UnpackResult planByList(const std::string& listPath, std::uint64_t imageSize, Plan& plan) {
    const ListReadResult read = readListFile(listPath);
    if (read.status != ListReadResult::Status::Ok) {
        UnpackResult result = failure(UnpackResult::Status::ListUnreadable, listPath, read.error);
        if (read.status == ListReadResult::Status::FormatError) {
            result.reason = "line " + std::to_string(read.errorLine) + ": " + read.reason;
        }
        return result;
    }
    if (read.addresses.size() != read.rows.size()) {
        return listFailure(listPath, listAddressProblem(read));
    }
    std::unordered_set<std::string> taken;
    for (std::size_t i = 0; i < read.rows.size(); ++i) {
        const std::string_view name = fileNameOf(read.rows[i].path);
        if (name.empty() || name == "." || name == "..") {
            return failure(UnpackResult::Status::BadName, read.rows[i].path);
        }
        if (!taken.insert(clashKey(name)).second) {
            return failure(UnpackResult::Status::DuplicateName, std::string(name));
        }
        plan.names.emplace_back(name);
        plan.ranges.push_back({read.addresses[i], read.rows[i].size});
    }
    for (std::size_t i = 0; i < read.rows.size(); ++i) {
        if (const std::uint64_t end = plan.ranges[i].begin + plan.ranges[i].length;
            end > imageSize) {
            return imageTooShort(read.rows[i].path, imageSize, end);
        }
    }
    if (!putInAddressOrder(plan)) {
        return listFailure(listPath, "rows overlap in the image");
    }
    return {};
}

UnpackResult planByTable(const std::string& imagePath, std::uint64_t imageSize,
                         ReadProgress& progress, Plan& plan) {
    TableShape shape;
    if (auto error = findInfoTable(imagePath, shape, progress)) {
        return readFailure(imagePath, error);
    }
    if (!shape.found) {
        return failure(UnpackResult::Status::NoTable, imagePath);
    }
    if (shape.end > imageSize) {
        return imageTooShort(imagePath, imageSize, shape.end);
    }
    files::Input image;
    std::uint64_t size = 0;
    if (auto error = openImage(imagePath, image, size)) {
        return readFailure(imagePath, error);
    }
    // Each row is where its record says (findInfoTable took no two that
    // overlap), in any order.
    for (std::uint64_t number = 1; number <= shape.rowCount; ++number) {
        unsigned char record[kInfoRecordBytes];
        std::size_t got = 0;
        std::error_code error = readFull(image, record, sizeof record, got);
        if (!error && got < sizeof record) { // shorter than it was
            error = std::make_error_code(std::errc::io_error);
        }
        if (error) {
            return readFailure(imagePath, error);
        }
        const InfoRecord row = readInfoRecord(record);
        plan.names.push_back(numberedName(number));
        plan.ranges.push_back({row.address, row.size});
    }
    putInAddressOrder(plan); // none overlap: findInfoTable took no such records
    return {};
}

// Copies each planned range of the image to its staged file.
UnpackResult writePlan(const std::string& imagePath, const std::string& folder, const Plan& plan,
                       ReadProgress& progress, files::StagedFiles& staged) {
    files::Input image;
    std::uint64_t size = 0;
    if (auto error = openImage(imagePath, image, size)) {
        return readFailure(imagePath, error);
    }
    std::vector<unsigned char> buffer(kChunk);
    std::uint64_t position = 0;
    for (std::size_t index = 0; index < plan.ranges.size(); ++index) {
        const Range& range = plan.ranges[index];
        const std::string target = files::joinedPath(folder, plan.names[index]);
        if (auto error = skip(image, range.begin - position, buffer, progress)) {
            return readFailure(imagePath, error);
        }
        if (auto error = staged.create(folder, plan.names[index])) {
            return failure(UnpackResult::Status::WriteFailed, target, error);
        }
        for (std::uint64_t left = range.length; left > 0;) {
            if (progress.stopAsked()) {
                return readFailure(imagePath, stoppedError());
            }
            const auto want =
                static_cast<std::size_t>(std::min<std::uint64_t>(left, buffer.size()));
            std::size_t got = 0;
            std::error_code error = readFull(image, buffer.data(), want, got);
            if (!error && got < want) { // shorter than it was
                error = std::make_error_code(std::errc::io_error);
            }
            if (error) {
                return readFailure(imagePath, error);
            }
            if (auto writeError = staged.write(buffer.data(), got)) {
                return failure(UnpackResult::Status::WriteFailed, target, writeError);
            }
            left -= got;
        }
        if (auto error = staged.close()) {
            return failure(UnpackResult::Status::WriteFailed, target, error);
        }
        position = range.begin + range.length;
    }
    return {};
}

} // namespace

std::string numberedName(std::uint64_t number) {
    char name[32];
    std::snprintf(name, sizeof name, "%03llu.bin", static_cast<unsigned long long>(number));
    return name;
}

UnpackResult unpackImage(const std::string& imagePath, const std::string& folder,
                         const std::string& listPath, const UnpackHooks& hooks) {
    std::uint64_t imageSize = 0;
    {
        files::Input image;
        if (auto error = openImage(imagePath, image, imageSize)) {
            return readFailure(imagePath, error);
        }
    }
    ReadProgress progress(hooks.keepGoing, imageSize);
    Plan plan;
    UnpackResult planned = listPath.empty() ? planByTable(imagePath, imageSize, progress, plan)
                                            : planByList(listPath, imageSize, plan);
    if (!planned.ok()) {
        return planned;
    }
    // What a killed unpack of these names left goes first, even when a name
    // is taken now (a kill while the files were put in place).
    files::removeStaleTemporaries(folder, plan.names);
    if (UnpackResult checked = checkTargets(folder, plan.names); !checked.ok()) {
        return checked;
    }
    files::StagedFiles staged;
    if (auto error = staged.makeFolders(folder)) {
        return failure(UnpackResult::Status::FolderUnusable, folder, error);
    }
    if (UnpackResult written = writePlan(imagePath, folder, plan, progress, staged);
        !written.ok()) {
        return written;
    }
    if (progress.stopAsked()) {
        return readFailure(imagePath, stoppedError());
    }
    std::string target;
    if (auto error = staged.putInPlace(target)) {
        return failure(error == std::errc::file_exists ? UnpackResult::Status::TargetExists
                                                       : UnpackResult::Status::WriteFailed,
                       target, error);
    }
    UnpackResult result;
    result.written = staged.targets();
    if (hooks.announce && !hooks.announce(result.written)) {
        return failure(UnpackResult::Status::NotAnnounced);
    }
    staged.keep();
    return result;
}

} // namespace zd::check

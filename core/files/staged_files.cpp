#include "core/files/staged_files.h"

#include "core/files/temporary_names.h"

namespace zd::files {
namespace {

std::string withoutTrailingSeparators(std::string path) {
    while (path.size() > 1 && isSeparator(path.back())) {
        path.pop_back();
    }
    return path;
}

} // namespace

StagedFiles::~StagedFiles() {
    if (kept_) {
        return;
    }
    (void)current_.close();
    for (const Staged& file : files_) {
        if (file.placed) {
            (void)remove(file.target);
        }
        (void)remove(file.temporary); // gone already once placed by a second name
    }
    for (auto folder = folders_.rbegin(); folder != folders_.rend(); ++folder) {
        (void)removeFolder(*folder);
    }
}

std::error_code StagedFiles::makeFolders(const std::string& folder) {
    std::vector<std::string> missing;
    for (std::string path = withoutTrailingSeparators(folder); !path.empty();) {
        Status status;
        const std::error_code error = statusOf(path, status);
        if (!error) {
            if (status.kind != Kind::Directory) {
                return std::make_error_code(std::errc::not_a_directory);
            }
            break;
        }
        if (error != std::errc::no_such_file_or_directory) {
            return error;
        }
        missing.push_back(path);
        const std::size_t cut = lastSeparator(path);
        path = cut == std::string::npos ? std::string{}
                                        : withoutTrailingSeparators(path.substr(0, cut + 1));
    }
    for (auto path = missing.rbegin(); path != missing.rend(); ++path) {
        if (auto error = makeFolder(*path)) {
            return error;
        }
        folders_.push_back(*path);
    }
    return {};
}

std::error_code StagedFiles::create(const std::string& folder, std::string_view name) {
    Staged file{joinedPath(folder, name), joinedPath(folder, newTemporaryName(name))};
    if (auto error = current_.createNew(file.temporary)) {
        return error;
    }
    files_.push_back(std::move(file));
    return {};
}

std::error_code StagedFiles::putInPlace(std::string& failed) {
    for (Staged& file : files_) {
        failed = file.target;
        std::error_code error = hardLink(file.temporary, file.target);
        if (error && error != std::errc::file_exists) {
            // No second names here (FAT): a rename, once the name is free.
            Status status;
            error = statusOf(file.target, status);
            error = !error ? std::make_error_code(std::errc::file_exists)
                    : error == std::errc::no_such_file_or_directory
                        ? rename(file.temporary, file.target)
                        : error;
            file.placed = !error;
            if (error) {
                return error;
            }
            continue;
        }
        if (error) {
            return error;
        }
        file.placed = true;
        (void)remove(file.temporary);
    }
    return {};
}

std::vector<std::string> StagedFiles::targets() const {
    std::vector<std::string> names;
    for (const Staged& file : files_) {
        names.push_back(file.target);
    }
    return names;
}

} // namespace zd::files

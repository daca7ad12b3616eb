#include "file_intake.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace zd {
namespace {

constexpr std::uint64_t kFourGiB = std::uint64_t{1} << 32;

unsigned char lowerAscii(unsigned char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c - 'A' + 'a') : c;
}

// The order key of a name: ASCII letters folded to lower case, then the name
// itself, so names equal but for case still sort the same way every time.
// std::string compares bytes as unsigned, independent of the locale.
std::pair<std::string, std::string> sortKey(std::string name) {
    std::string folded = name;
    for (char& c : folded) {
        c = static_cast<char>(lowerAscii(static_cast<unsigned char>(c)));
    }
    return {std::move(folded), std::move(name)};
}

} // namespace

IntakeBatch probeFiles(const std::vector<std::string>& paths) {
    IntakeBatch batch;
    for (const std::string& path : paths) {
        // Non-blocking, so that a chosen pipe cannot hang the probe.
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
        if (fd < 0) {
            batch.refused.push_back(
                {path, RefusedFile::Reason::CannotOpen, {errno, std::generic_category()}});
            continue;
        }
        struct stat info {};
        const bool statOk = ::fstat(fd, &info) == 0;
        const int statErrno = errno;
        ::close(fd);
        if (!statOk) {
            batch.refused.push_back(
                {path, RefusedFile::Reason::CannotOpen, {statErrno, std::generic_category()}});
        } else if (!S_ISREG(info.st_mode)) {
            batch.refused.push_back({path, RefusedFile::Reason::NotAFile, {}});
        } else if (static_cast<std::uint64_t>(info.st_size) >= kFourGiB) {
            batch.refused.push_back({path, RefusedFile::Reason::TooLarge, {}});
        } else {
            batch.accepted.push_back({path, static_cast<std::uint32_t>(info.st_size)});
        }
    }
    return batch;
}

FolderListing listFolder(const std::string& folder) {
    namespace fs = std::filesystem;
    FolderListing listing;
    std::vector<std::pair<std::string, std::string>> names;
    std::error_code error;
    fs::directory_iterator it(folder, error);
    for (; !error && it != fs::directory_iterator(); it.increment(error)) {
        std::error_code statusError;
        const fs::file_status status = it->status(statusError); // follows links
        // Folders, pipes, sockets and devices cannot be merged; a link whose
        // target is gone stays so that the probe names it.
        const bool broken = statusError || status.type() == fs::file_type::not_found;
        if (!broken && !fs::is_regular_file(status)) {
            continue;
        }
        names.push_back(sortKey(it->path().filename().string()));
    }
    if (error) {
        listing.error = error;
        return listing;
    }
    std::sort(names.begin(), names.end());
    const std::string prefix = (folder.empty() || folder.back() == '/') ? folder : folder + "/";
    listing.paths.reserve(names.size());
    for (const auto& [folded, name] : names) {
        listing.paths.push_back(prefix + name);
    }
    return listing;
}

ExpandedInputs expandInputs(const std::vector<std::string>& paths) {
    ExpandedInputs expanded;
    for (const std::string& path : paths) {
        std::error_code ignored;
        if (!std::filesystem::is_directory(path, ignored)) {
            expanded.files.push_back(path);
            continue;
        }
        FolderListing listing = listFolder(path);
        if (listing.error) {
            expanded.unlistedFolders.emplace_back(path, listing.error);
        } else {
            expanded.files.insert(expanded.files.end(), listing.paths.begin(), listing.paths.end());
        }
    }
    return expanded;
}

std::string folderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string{} : path.substr(0, slash + 1);
}

std::string describe(const RefusedFile& refused) {
    switch (refused.reason) {
    case RefusedFile::Reason::CannotOpen:
        return "cannot be opened for reading: " + refused.error.message();
    case RefusedFile::Reason::NotAFile:
        return "is not a regular file";
    case RefusedFile::Reason::TooLarge:
        return "is 4 GiB or larger, which an image cannot describe";
    }
    return {};
}

} // namespace zd

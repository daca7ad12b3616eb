#include "file_intake.h"

#include "file_layer.h"

#include <algorithm>
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
        // Opening does not wait, so a chosen pipe cannot hang the probe.
        files::Input input;
        files::Status info;
        std::error_code error = input.open(path);
        if (!error) {
            error = input.status(info);
        }
        input.close();
        if (error) {
            batch.refused.push_back({path, RefusedFile::Reason::CannotOpen, error});
        } else if (info.kind != files::Kind::Regular) {
            batch.refused.push_back({path, RefusedFile::Reason::NotAFile, {}});
        } else if (info.size >= kFourGiB) {
            batch.refused.push_back({path, RefusedFile::Reason::TooLarge, {}});
        } else {
            batch.accepted.push_back({path, static_cast<std::uint32_t>(info.size)});
        }
    }
    return batch;
}

FolderListing listFolder(const std::string& folder) {
    FolderListing listing;
    std::vector<files::FolderEntry> entries;
    if (auto error = files::listFolder(folder, entries)) {
        listing.error = error;
        return listing;
    }
    std::vector<std::pair<std::string, std::string>> names;
    for (files::FolderEntry& entry : entries) {
        // Folders, pipes, sockets and devices cannot be merged; a link whose
        // target is gone stays so that the probe names it.
        if (entry.broken || entry.kind == files::Kind::Regular) {
            names.push_back(sortKey(std::move(entry.name)));
        }
    }
    std::sort(names.begin(), names.end());
    const std::string prefix =
        (folder.empty() || files::isSeparator(folder.back())) ? folder : folder + files::kSeparator;
    listing.paths.reserve(names.size());
    for (const auto& [folded, name] : names) {
        listing.paths.push_back(prefix + name);
    }
    return listing;
}

ExpandedInputs expandInputs(const std::vector<std::string>& paths) {
    ExpandedInputs expanded;
    for (const std::string& path : paths) {
        files::Status status;
        if (files::statusOf(path, status) || status.kind != files::Kind::Directory) {
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
    const auto slash = files::lastSeparator(path);
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

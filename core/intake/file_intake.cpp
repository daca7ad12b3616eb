#include "core/intake/file_intake.h"

#include "core/files/file_layer.h"
#include "core/files/temporary_names.h"
#include "core/model/file_names.h"

#include <algorithm>
#include <optional>
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

// The name `given` is taken by: in its long form (a short alias means
// nothing on another machine); nothing when it names no file or the list
// file cannot carry it, which is noted as refused.
std::optional<std::string> nameToTake(const std::string& given, IntakeBatch& batch) {
    if (given.empty()) {
        batch.refused.push_back({given, RefusedFile::Reason::EmptyName, {}});
        return std::nullopt;
    }
    if (!listFileCanCarry(given)) {
        batch.refused.push_back({given, RefusedFile::Reason::NameNotListable, {}});
        return std::nullopt;
    }
    return files::longPath(given);
}

// Kind and length by name, links followed: one lookup, no descriptor, and a
// pipe is never opened, so it cannot hang the probe. Whether a file can be
// read is found when the merge opens it, which checks every input again on
// the descriptor it copies from and names the one it cannot read.
std::error_code look(const std::string& path, files::Status& info) {
    return files::statusOf(path, info);
}

void classify(const std::string& path, std::error_code error, const files::Status& info,
              IntakeBatch& batch) {
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

void probeInto(const std::vector<std::string>& given, IntakeBatch& batch) {
    for (const std::string& name : given) {
        if (const std::optional<std::string> path = nameToTake(name, batch)) {
            files::Status info;
            const std::error_code error = look(*path, info);
            classify(*path, error, info, batch);
        }
    }
}

} // namespace

IntakeBatch probeFiles(const std::vector<std::string>& paths) {
    IntakeBatch batch;
    probeInto(paths, batch);
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
        if ((entry.broken || entry.kind == files::Kind::Regular) &&
            !files::isTemporaryName(entry.name)) {
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

IntakeBatch takeInputs(const std::vector<std::string>& paths) {
    IntakeBatch batch;
    for (const std::string& name : paths) {
        const std::optional<std::string> taken = nameToTake(name, batch);
        if (!taken) {
            continue;
        }
        const std::string& path = *taken; // a folder's files are listed under its long name
        files::Status info;
        const std::error_code error = look(path, info);
        if (error || info.kind != files::Kind::Directory) {
            classify(path, error, info, batch);
            continue;
        }
        const FolderListing listing = listFolder(path);
        if (listing.error) {
            batch.refused.push_back({path, RefusedFile::Reason::FolderUnreadable, listing.error});
        } else {
            batch.folders.push_back(path);
            probeInto(listing.paths, batch);
        }
    }
    return batch;
}

} // namespace zd

// Unpacking an image: every row's bytes to a file of its own, named as its
// list file names it or numbered from the image's file info table.
#pragma once

#include "core/check/image_scan.h"

#include <cstdint>
#include <functional>
#include <string>
#include <system_error>
#include <vector>

namespace zd::check {

struct UnpackResult {
    enum class Status {
        Ok,
        ImageUnreadable, // `path`, `error`
        NoTable,         // no list given and the image holds no table
        ListUnreadable,  // the list file (`error` or `reason`)
        FolderUnusable,  // the folder is no folder, or cannot be made
        BadName,         // a listed file name cannot name a file (`path`)
        DuplicateName,   // two rows would write the same file (`path`)
        TargetExists,    // a file of that name is there already (`path`)
        ImageTooShort,   // the image of `imageSize` bytes ends before `needed`: a row of
                         // the list (`path` names it) or the table's last (`path`: the image)
        WriteFailed,     // `path`, `error`
        Stopped,         // asked to stop
        NotAnnounced,    // the files were made, but `announce` failed: they are gone again
    };
    Status status = Status::Ok;
    std::string path;
    std::error_code error;
    std::string reason;
    std::uint64_t imageSize = 0;
    std::uint64_t needed = 0;
    std::vector<std::string> written; // the files made, in address order
    bool ok() const { return status == Status::Ok; }
};

struct UnpackHooks {
    files::KeepGoing keepGoing{}; // asked between pieces
    // Told the files once they are all in place; false takes them back.
    std::function<bool(const std::vector<std::string>& written)> announce{};
};

// Writes each row's bytes to a new file in `folder` (made, with its
// parents, when missing): named as the list file at `listPath` names it
// (its file name part), or, with no list, 001.bin, 002.bin ... for the rows
// of the image's table. All or nothing: every file is written under a
// temporary name beside it and put in place only when all are complete,
// none replacing a file; nothing is written when a name is bad, two rows
// share one, the image is too short or a file of that name exists, and a
// failure or a stop removes what the run made, folders included.
UnpackResult unpackImage(const std::string& imagePath, const std::string& folder,
                         const std::string& listPath = {}, const UnpackHooks& hooks = {});

// The file names unpack gives rows without a list: 001.bin, ..., 999.bin,
// 1000.bin, ...
std::string numberedName(std::uint64_t number);

} // namespace zd::check

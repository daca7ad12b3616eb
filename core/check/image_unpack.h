// Unpacking an image: every row's bytes to a file of its own, named as its
// list file names it or numbered from the image's file info table.
#pragma once

#include <cstdint>
#include <string>
#include <system_error>
#include <vector>

namespace zd {

struct UnpackResult {
    enum class Status {
        Ok,
        ImageUnreadable, // `path`, `error`
        NoTable,         // no list given and the image holds no table
        ListUnreadable,  // the list file (`error` or `reason`)
        FolderUnusable,  // the folder does not exist or is no folder
        BadName,         // a listed file name cannot name a file (`path`)
        DuplicateName,   // two rows would write the same file (`path`)
        TargetExists,    // a file of that name is there already (`path`)
        ImageTooShort,   // the image ends before a row does (`path` names the row)
        WriteFailed,     // `path`, `error`
    };
    Status status = Status::Ok;
    std::string path;
    std::error_code error;
    std::string reason;
    std::vector<std::string> written; // the files made, in row order
    bool ok() const { return status == Status::Ok; }
};

// Writes each row's bytes to a new file in `folder`: named as the list file
// at `listPath` names it (its file name part), or, with no list, 001.bin,
// 002.bin ... for the rows of the image's table. Nothing is written when a
// name is bad, two rows share one, the image is too short or a file of that
// name exists; a failure while writing removes the files this run made.
UnpackResult unpackImage(const std::string& imagePath, const std::string& folder,
                         const std::string& listPath = {});

// The file names unpack gives rows without a list: 001.bin, ..., 999.bin,
// 1000.bin, ...
std::string numberedName(std::uint64_t number);

} // namespace zd

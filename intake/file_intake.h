// Taking files into the list: each chosen file's size, and the files of a
// folder.
#pragma once

#include "entry_list.h"

#include <string>
#include <system_error>
#include <utility>
#include <vector>

namespace zd {

struct RefusedFile {
    enum class Reason { CannotOpen, NotAFile, TooLarge };
    std::string path;
    Reason reason = Reason::CannotOpen;
    std::error_code error; // the system's reason for CannotOpen
};

struct IntakeBatch {
    std::vector<NewEntry> accepted; // in the order given
    std::vector<RefusedFile> refused;
};

// Takes each path's length by opening it for reading. A path that cannot be
// opened, is not a regular file (links are followed), or is 4 GiB or longer
// (the image format cannot describe it) is refused; the rest are accepted.
IntakeBatch probeFiles(const std::vector<std::string>& paths);

struct FolderListing {
    std::vector<std::string> paths; // full paths, sorted
    std::error_code error;          // set when the folder could not be listed; then no paths
};

// The regular files directly in `folder`, hidden ones included, links
// followed to what they point to (a link to a folder is left out, a broken
// link kept so that probing names it). Subfolders, pipes, sockets and
// devices are left out. Sorted by name, case-
// insensitively first and then exactly, byte-wise, so that the same folder
// gives the same order on every machine.
FolderListing listFolder(const std::string& folder);

struct ExpandedInputs {
    std::vector<std::string> files; // in the order given, each folder's files in its place
    std::vector<std::pair<std::string, std::error_code>> unlistedFolders; // and why
};

// What a list of files and folders stands for: a file stays as it is (what
// cannot be looked at too, so that probing names it), a folder is replaced
// by its listing. A folder that cannot be listed adds nothing.
ExpandedInputs expandInputs(const std::vector<std::string>& paths);

// The folder part of a path: everything up to and including its last
// separator ("/", and "\" too on Windows).
std::string folderOf(const std::string& path);

// The reason in a short English phrase, for the command line.
std::string describe(const RefusedFile& refused);

} // namespace zd

// The intake wing (core/intake/): taking files into the list, each chosen
// file's size, and the files of a folder. Uses the model and files wings.
#pragma once

#include "core/model/entry_list.h"

#include <string>
#include <system_error>
#include <utility>
#include <vector>

namespace zd {

struct RefusedFile {
    enum class Reason {
        CannotOpen,
        NotAFile,
        TooLarge,
        EmptyName,        // "" names no file
        NameNotListable,  // the list file cannot carry the name (see listFileCanCarry)
        FolderUnreadable, // a folder given to take whole cannot be listed
    };
    std::string path;
    Reason reason = Reason::CannotOpen;
    std::error_code error; // the system's reason for CannotOpen and FolderUnreadable
};

struct IntakeBatch {
    std::vector<NewEntry> accepted; // in the order given
    std::vector<RefusedFile> refused;
    std::vector<std::string> folders; // taken whole by takeInputs, in the order given
};

// Takes each path's length from the system. A path that is empty, holds a
// name the list file cannot carry (a line feed, a carriage return, a NUL,
// bytes that are not UTF-8), cannot be looked at, is not a regular file (links are
// followed), or is 4 GiB or longer (the image format cannot describe it) is
// refused; the rest are accepted, each by its long name (files::longPath),
// not by a short alias of it. Nothing is opened: a file this user may
// not read is named by the merge, which opens every input.
IntakeBatch probeFiles(const std::vector<std::string>& paths);

struct FolderListing {
    std::vector<std::string> paths; // full paths, sorted
    std::error_code error;          // set when the folder could not be listed; then no paths
};

// The regular files directly in `folder`, hidden ones included, links
// followed to what they point to (a link to a folder is left out, a broken
// link kept so that probing names it). Subfolders, pipes, sockets, devices
// and the temporaries of unfinished merges are left out. Sorted by name,
// case-insensitively first and then exactly, byte-wise, so that the same
// folder gives the same order on every machine.
FolderListing listFolder(const std::string& folder);

// What a list of files and folders stands for, probed: a file as probeFiles
// takes it, a folder replaced by its listing's files in its place (one that
// cannot be listed is refused as FolderUnreadable). Nothing is opened.
IntakeBatch takeInputs(const std::vector<std::string>& paths);

} // namespace zd

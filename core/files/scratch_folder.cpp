#include "core/files/scratch_folder.h"

#include "core/files/file_layer.h"
#include "core/files/staged_files.h"

#include <vector>

namespace zd::files {

ScratchFolder::~ScratchFolder() {
    if (path_.empty()) {
        return;
    }
    std::vector<FolderEntry> entries;
    listFolder(path_, entries);
    for (const FolderEntry& entry : entries) {
        remove(pathOf(entry.name));
    }
    removeFolder(path_);
}

std::error_code ScratchFolder::make() {
    const std::string stem =
        joinedPath(temporaryFolder(), "zd-scratch-" + std::to_string(processId()) + "-");
    for (unsigned n = 1;; ++n) {
        const std::string path = stem + std::to_string(n);
        const std::error_code error = makeFolder(path);
        if (!error) {
            path_ = path;
            return {};
        }
        if (error != std::errc::file_exists || n == 1000) {
            return error;
        }
    }
}

std::string ScratchFolder::pathOf(std::string_view name) const {
    return joinedPath(path_, name);
}

} // namespace zd::files

// Everything under a folder, to tell that a run left it as it was.
#pragma once

#include "tests/support/test_files.h"

#include <filesystem>
#include <map>
#include <string>

namespace zd::test {

// Each file's path below `folder` with its bytes; a folder with "/".
inline std::map<std::string, std::string> folderState(const std::string& folder) {
    std::map<std::string, std::string> state;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(pathOf(folder))) {
        const std::string name = textOf(entry.path().lexically_relative(pathOf(folder)));
        state[name] = entry.is_directory() ? "/" : readFile(textOf(entry.path()));
    }
    return state;
}

} // namespace zd::test

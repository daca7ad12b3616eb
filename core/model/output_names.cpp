#include "core/model/output_names.h"

#include "core/files/path_text.h"

namespace zd {

std::optional<OutputPaths> outputPathsFor(std::string_view confirmedPath) {
    const auto slash = files::lastSeparator(confirmedPath);
    const std::size_t nameStart = slash == std::string_view::npos ? 0 : slash + 1;
    std::string_view name = confirmedPath.substr(nameStart);
    if (name.empty()) {
        return std::nullopt;
    }
    OutputPaths paths;
    paths.saveFolder = std::string(confirmedPath.substr(0, nameStart));
    const bool namesAnOutput = name.find(".bin") != std::string_view::npos ||
                               name.find(".BIN") != std::string_view::npos ||
                               name.find(".h") != std::string_view::npos ||
                               name.find(".H") != std::string_view::npos;
    if (namesAnOutput) {
        name = name.substr(0, name.rfind('.'));
    }
    const std::string stem = paths.saveFolder + std::string(name);
    paths.imagePath = stem + ".bin";
    paths.listPath = stem + ".h";
    paths.given = std::string(confirmedPath);
    return paths;
}

bool namesAStream(std::string_view path) {
    if (!files::kWin32) {
        return false;
    }
    // "\\?\C:\..." and "\\.\C:\..." name their drive after the prefix.
    if (path.starts_with("\\\\?\\") || path.starts_with("\\\\.\\")) {
        path.remove_prefix(4);
    }
    const bool drive = path.size() >= 2 && path[1] == ':' &&
                       ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
    return path.find(':', drive ? 2 : 0) != std::string_view::npos;
}

} // namespace zd

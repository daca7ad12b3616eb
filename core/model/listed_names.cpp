#include "core/model/listed_names.h"

#include "core/files/path_text.h"

namespace zd {
namespace {

bool isAsciiLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

char asciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Names on Windows match whatever their letter case.
bool samePart(std::string_view a, std::string_view b) {
    if (!files::kWin32) {
        return a == b;
    }
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (asciiLower(a[i]) != asciiLower(b[i])) {
            return false;
        }
    }
    return true;
}

// The parts of an absolute path: its root first ("" for "/", "C:" for a
// drive, "\\server" for a share), then every non-empty part.
std::vector<std::string_view> partsOf(std::string_view path) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = start;
        while (end < path.size() && !files::isSeparator(path[end])) {
            ++end;
        }
        const std::string_view part = path.substr(start, end - start);
        if (start == 0 || !part.empty()) {
            parts.push_back(part);
        }
        start = end + 1;
    }
    return parts;
}

// Whether `name` was written on Windows: it starts with a drive letter and
// ":", or with "\\" (a share).
bool isWindowsName(std::string_view name) {
    return name.starts_with("\\\\") ||
           (name.size() >= 2 && isAsciiLetter(name[0]) && name[1] == ':');
}

} // namespace

std::string_view fileNameOf(std::string_view path) {
    const auto slash = path.find_last_of(files::kWin32 || isWindowsName(path) ? "/\\" : "/");
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::string folderPartOf(std::string_view path) {
    const auto slash = files::lastSeparator(path);
    return slash == std::string_view::npos ? std::string{} : std::string(path.substr(0, slash + 1));
}

bool isAbsoluteName(std::string_view name) {
    if (name.empty()) {
        return false;
    }
    return name[0] == '/' || name[0] == '\\' || isWindowsName(name);
}

std::string relativeName(std::string_view path, std::string_view folder) {
    const std::string unchanged(path);
    if (!isAbsoluteName(path) || !isAbsoluteName(folder)) {
        return unchanged;
    }
    const auto pathParts = partsOf(path);
    const auto folderParts = partsOf(folder);
    for (const auto* parts : {&pathParts, &folderParts}) {
        for (const std::string_view part : *parts) {
            if (part == "..") {
                return unchanged;
            }
        }
    }
    std::size_t common = 0;
    // The file's own name is never part of the common folder.
    while (common + 1 < pathParts.size() && common < folderParts.size() &&
           samePart(pathParts[common], folderParts[common])) {
        ++common;
    }
    // Below the root, at least one folder in common.
    if (common < 2) {
        return unchanged;
    }
    std::string name;
    for (std::size_t i = common; i < folderParts.size(); ++i) {
        name += "../";
    }
    for (std::size_t i = common; i < pathParts.size(); ++i) {
        name += pathParts[i];
        name += i + 1 < pathParts.size() ? "/" : "";
    }
    return name;
}

std::string resolveListedName(std::string_view name, std::string_view folder) {
    if (isAbsoluteName(name)) {
        return std::string(name);
    }
    std::string path(folder);
    if (!path.empty() && !files::isSeparator(path.back())) {
        path += files::kSeparator;
    }
    for (const char c : name) {
        path += c == '/' ? files::kSeparator : c;
    }
    return path;
}

} // namespace zd

// How this system writes paths: which characters end a folder name and
// which one it puts between a folder and a name. Pure text, no system
// calls, so the list model can share the rule with the file layer.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace zd::files {

#ifdef _WIN32
inline constexpr bool kWin32 = true;
#else
inline constexpr bool kWin32 = false;
#endif

// Whether `c` ends a folder name in a path: "/" everywhere, "\" too on Win32.
constexpr bool isSeparator(char c) {
    return c == '/' || (kWin32 && c == '\\');
}
// The separator the system writes between a folder and a name.
inline constexpr char kSeparator = kWin32 ? '\\' : '/';
// The position of the last separator in `path`, or npos.
constexpr std::size_t lastSeparator(std::string_view path) {
    return kWin32 ? path.find_last_of("/\\") : path.rfind('/');
}

// `name` in `folder`, with one separator between them.
inline std::string joinedPath(std::string_view folder, std::string_view name) {
    std::string path(folder);
    if (!path.empty() && !isSeparator(path.back())) {
        path += kSeparator;
    }
    path += name;
    return path;
}

} // namespace zd::files

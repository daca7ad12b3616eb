// What the commands that read an image say about it when it cannot be read
// or is cut short, in the same words for each.
#pragma once

#include "core/files/file_errors.h"

#include <cstdint>
#include <string>
#include <system_error>

namespace zd::cli {

inline std::string imageUnreadableText(const std::error_code& error) {
    if (error == make_error_code(files::FileErrc::NotAFile)) {
        return "not a regular file: a pipe or a device cannot be read as an image; "
               "save it to a file first";
    }
    return "cannot be read: " + error.message();
}

// The image holds the table, but not the bytes of all its rows.
inline std::string tableCutShortText(std::uint64_t imageSize, std::uint64_t tableEnd) {
    return "the image is " + std::to_string(imageSize) +
           " bytes long, but its file info table lists files up to offset " +
           std::to_string(tableEnd) + ": it is cut short";
}

} // namespace zd::cli

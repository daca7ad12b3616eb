// Reading the small files the tool is given besides its inputs (list
// files, manifests, response files): opened as regular files only, so that
// a pipe or a device named by mistake can neither hang nor flood a read.
#pragma once

#include "core/files/file_layer.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <system_error>

namespace zd::files {

// Opens `path` for reading (never waiting) and tells what it is. Anything
// but a regular file is refused: a folder with std::errc::is_a_directory,
// a device, pipe or socket with FileErrc::NotAFile.
std::error_code openRegular(const std::string& path, Input& input, Status& status);

// Reads the regular file `path` from its start in pieces, handing each to
// `onPiece`, which returns false to stop reading (with no error).
using PieceFn = std::function<bool(std::string_view piece)>;
std::error_code readPieces(const std::string& path, const PieceFn& onPiece);

// The whole content of the regular file `path`, refused with
// std::errc::file_too_large when it holds more than `limit` bytes.
std::error_code readWholeFile(const std::string& path, std::uint64_t limit, std::string& text);

} // namespace zd::files

// Why a file cannot be used, beyond what the system says: the file layer's
// own error codes, compared as std::error_code like the system's.
#pragma once

#include <system_error>

namespace zd::files {

enum class FileErrc {
    ReadOnly = 1, // the earlier file is read-only, or this user may not write it
    InUse,        // another merge is writing the same output now
    SameTarget,   // two outputs of one set lead to the same file
    NotAFile,     // a device, pipe or socket where a regular file is needed
};
const std::error_category& fileCategory();
std::error_code make_error_code(FileErrc code);

} // namespace zd::files

template <> struct std::is_error_code_enum<zd::files::FileErrc> : std::true_type {};

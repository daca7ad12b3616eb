// The names of the temporaries an OutputSet writes beside its targets, and
// how a folder listing tells them from the user's files.
//
// A temporary is ".zd~" + 16 hex digits naming its target + "~" + the
// writer's process id + "-" + a counter + ".tmp": about 35 bytes whatever
// the target's name, so any target whose name the system takes has a
// temporary name it takes too.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace zd::files {

// `value` as `digits` lower-case hex digits, leading zeros kept.
std::string hexDigits(std::uint64_t value, std::size_t digits);

// The hex digits that name the target file called `name` (its file name
// without the folder); letters folded on Win32, whose names ignore case.
std::string temporaryKey(std::string_view name);

// Every temporary of the target called `name` starts with this.
std::string temporaryPrefix(std::string_view name);

// A new temporary name for the target called `name`, unique within this
// process.
std::string newTemporaryName(std::string_view name);

// Whether `name` (a file name without its folder) is one of the temporaries
// an OutputSet writes. Folder listings skip them.
bool isTemporaryName(std::string_view name);

} // namespace zd::files

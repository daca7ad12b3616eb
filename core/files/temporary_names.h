// The names of the temporaries an OutputSet and StagedFiles write beside
// their targets, how a folder listing tells them from the user's files, and
// the sweep of those that killed runs left.
//
// A temporary is ".zd~" + 16 hex digits naming its target + "~" + the
// writer's process id + "-" + a counter + ".tmp": about 35 bytes whatever
// the target's name, so any target whose name the system takes has a
// temporary name it takes too. An output set's journal (commit_journal.h)
// has the same form, ending in ".jnl" instead.
#pragma once

#include "core/files/file_layer.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zd::files {

// `value` as `digits` lower-case hex digits, leading zeros kept.
std::string hexDigits(std::uint64_t value, std::size_t digits);

// The hex digits that name the target file called `name` (its file name
// without the folder); letters folded on Win32, whose names ignore case.
std::string temporaryKey(std::string_view name);

// The key an output set locks the target called `name` in the folder
// `folder` by: the same for every spelling of its path and every link to it.
std::string lockKeyOf(const Identity& folder, std::string_view name);

// Every temporary of the target called `name` starts with this.
std::string temporaryPrefix(std::string_view name);

// A new temporary name for the target called `name`, unique within this
// process.
std::string newTemporaryName(std::string_view name);

// Whether `name` (a file name without its folder) is one of the temporaries
// or journals an OutputSet writes. Folder listings skip them.
bool isTemporaryName(std::string_view name);
// Whether `name` is a journal's: a temporary's name ending in ".jnl".
bool isJournalName(std::string_view name);
// The journal's name for the temporary name `temporary` it is written
// under, and back.
std::string journalNameOf(std::string_view temporary);
std::string temporaryNameOf(std::string_view journal);

// Removes, of the `entries` listed in `folder` (empty: the working folder),
// the temporaries of the targets called `names` that no living process
// owns: what killed runs left, and what a failed removal left. Journals
// stay (an output set settles them).
void removeStaleTemporaries(const std::string& folder, const std::vector<FolderEntry>& entries,
                            const std::vector<std::string>& names);
// The same, listing `folder` itself (a missing folder holds none).
void removeStaleTemporaries(const std::string& folder, const std::vector<std::string>& names);

} // namespace zd::files

// How a list file names its files: as the list shows them (absolute paths),
// or relative to the list file's own folder, so that a resource folder and
// its list can move together and be committed.
#pragma once

#include "core/model/entry_list.h"

#include <string>
#include <string_view>
#include <vector>

namespace zd {

// The file name at the end of a listed path, as the system that wrote it
// parts it: "/" always ends a folder; "\" does only on Windows and in names
// written there (a drive letter or a "\\" share at the start), so a list
// made on Windows reads alike on POSIX, while a POSIX name may hold "\".
std::string_view fileNameOf(std::string_view path);

// The folder part of `path`, up to and including its last separator; empty
// for a bare name.
std::string folderPartOf(std::string_view path);

// Whether a listed name is absolute: it starts with "/" or "\", or with a
// drive letter and ":". The same rule on every system, so the names of every
// earlier list file (all absolute, from Windows or POSIX) stay as they were.
bool isAbsoluteName(std::string_view name);

// `path` named relative to `folder` (both absolute; `folder` may end in a
// separator), parts joined by "/" so the list reads the same on every
// system: "res/logo.bin", "../res/logo.bin". `path` comes back unchanged when
// it shares nothing with `folder` below the root (another drive, or another
// top folder, where a relative name would not survive a move), or when
// either holds a ".." part, which no text rule can follow past a link.
std::string relativeName(std::string_view path, std::string_view folder);

// A name read from a list file as a path: an absolute name unchanged, a
// relative one joined to `folder` (the list file's folder, ending in a
// separator).
std::string resolveListedName(std::string_view name, std::string_view folder);

} // namespace zd

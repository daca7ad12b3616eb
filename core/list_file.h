// The list file: the text table written beside every image, naming each
// entry's number, path, size and address, and read back to rebuild a list.
//
//   {
//   /*<TAB>No,<TAB>File Name,<TAB><TAB>Size,<TAB>Address<TAB>*/
//
//   <TAB>1, "/res/logo.bin", 1234, 4096;
//
//   }
//
// UTF-8, no byte-order mark, every line ended by a single line feed.
#pragma once

#include "entry_list.h"

#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace zd {

// The whole list file for `list`, byte for byte.
std::string listFileText(const EntryList& list);

// Writes the list file at `path` through a temporary renamed into place.
std::error_code writeListFile(const std::string& path, const EntryList& list);

struct ListReadResult {
    enum class Status { Ok, CannotOpen, FormatError };
    Status status = Status::Ok;
    std::vector<NewEntry> rows; // empty unless Ok
    int errorLine = 0;          // 1-based line of a FormatError
    std::string reason;         // what was wrong with it, in English, for logs and the CLI
    std::error_code error;      // why the file could not be opened or read
};

// Reads the rows of a list file. Lines 1 to 3 and lines of 10 bytes or fewer
// are skipped; the first row line must be number 1. The name is the text
// between the quotes, so names with commas come back whole; the size is the
// field after the name; the address is not used (the list lays rows out
// itself). Any line that cannot be read makes the whole file a format error.
ListReadResult parseListFile(std::string_view text);
ListReadResult readListFile(const std::string& path);

} // namespace zd

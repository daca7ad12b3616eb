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

#include "core/model/entry_list.h"

#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace zd {

// The whole list file for `list`, byte for byte. Names are written as they
// are; see listFileCanCarry for those that would not read back.
std::string listFileText(const EntryList& list);
// The same with every path that can be named relative to `listFolder` (the
// list file's own folder, absolute) written so, as relativeName gives it.
std::string listFileText(const EntryList& list, std::string_view listFolder);

// Writes the list file at `path` as an OutputSet of one. Refuses, with
// std::errc::illegal_byte_sequence and nothing written, a list holding a
// name the file cannot carry.
std::error_code writeListFile(const std::string& path, const EntryList& list);

struct ListReadResult {
    enum class Status { Ok, CannotOpen, FormatError };
    Status status = Status::Ok;
    std::vector<NewEntry> rows; // empty unless Ok
    int errorLine = 0;     // 1-based line of a FormatError; 0 when the file as a whole is wrong
    std::string reason;    // what was wrong with it, in English, for logs and the CLI
    std::error_code error; // why the file could not be opened or read
    // Every row's address field, in row order, when every row has one that
    // reads as a number; else empty. Import lays rows out afresh and does
    // not use them; verify checks each row at the address its list shows.
    std::vector<std::uint32_t> addresses;
    // The first row whose address does not read: its line and the field.
    int addressLine = 0;
    std::string addressText;
};

// Why `addresses` is empty for a list that read: the line and its field.
std::string listAddressProblem(const ListReadResult& read);

// Reads the rows of a list file. Line 1 must be "{" (a byte-order mark
// before it is allowed), line 2 the column comment (white space aside),
// line 3 blank, and the rows must end with a "}" line; any line may end in a
// carriage return. Other lines of 10 bytes or fewer are skipped; the first
// row line must be number 1. The name is the text between the quotes, so
// names with commas come back whole; a name the writer would not write (see
// listFileCanCarry) is an error. The size is the field after the name; the
// address is not used for the rows (the list lays rows out itself) but kept
// in `addresses`. Relative names come back as written; resolveListedNames
// joins them to the list file's folder. The first line that
// cannot be a list file's makes the whole file a format error.
ListReadResult parseListFile(std::string_view text);
// The same for a file, read in pieces: it stops at the first wrong line,
// and a file that is not a regular one (a pipe, a device) or holds a line
// longer than any list file's is a format error, so reading it never takes
// more memory than the rows it holds.
ListReadResult readListFile(const std::string& path);

// Resolves the names of rows read from the list file at `listPath` against
// that file's folder, made absolute first.
void resolveListedNames(std::vector<NewEntry>& rows, const std::string& listPath);

} // namespace zd

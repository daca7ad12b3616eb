// Arguments as typed, made ready for the parser: "@FILE" on the command line
// stands for the lines of FILE, one argument a line, so that long input
// lists need no long command line; "--" ends the options.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace zd::cli {

struct ExpandedArgs {
    std::vector<std::string> args;
    std::vector<std::string> files;     // the response files read, in order
    std::optional<std::string> problem; // a one-line reason naming the file
};

// `args` with every "@FILE" replaced by the lines of FILE, read as they are
// (an "@" inside a file is a name, not another file). A final line feed,
// a carriage return before each line feed and a UTF-8 byte-order mark at the
// start are left out; an empty line is an empty argument. After "--", on the command line or in
// a file, nothing is expanded, so a name that starts with "@" can follow it.
// An argument or line holding a NUL, which no name can hold, is a problem
// naming it.
ExpandedArgs expandResponseFiles(const std::vector<std::string>& args);

struct NamedArgs {
    std::vector<std::string> args;
    std::vector<std::string> renamed{}; // the names changed, as given

    // `message` (the parser's, quoting `args`) with every changed name as
    // it was given.
    std::string asGiven(std::string message) const;
};

// `args` with the first "--" taken out and every later argument that starts
// with "-" made "./NAME" (".\NAME" on Windows), the same file by a name no
// parser takes for an option. CLI11 2.1 would drop what follows "--" once
// a command has its first positional; this way it never sees "--".
NamedArgs namesAfterDashDash(std::vector<std::string> args);

} // namespace zd::cli

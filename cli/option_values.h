// Option values taken as written, before CLI11 sees the arguments. CLI11
// reads "--name=" (nothing after the "=") as "--name" with the next word
// for its value, and the "--" that ends the options is taken out before
// parsing (response_files.h), so that "-o -- in.bin" would read as
// "-o in.bin": either way a forgotten value would turn an input into an
// output.
#pragma once

#include <CLI/CLI.hpp>
#include <optional>
#include <string>
#include <vector>

namespace zd::cli {

struct ValueProblem {
    std::string command; // the command the option belongs to; empty for the tool's own
    std::string problem; // names the option
};

// Splits every "--name=" of an option that takes a value into "--name" and
// an empty word, so the option gets the empty value it was given and
// refuses it as it refuses -o ''. A "--" where an option of `app` (or of the
// command named) expects its value is a problem.
std::optional<ValueProblem> settleOptionValues(const CLI::App& app, std::vector<std::string>& args);

} // namespace zd::cli
